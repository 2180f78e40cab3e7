// MainWindow: the program's one window: three link lists, eleven buttons, the pointer
// setting and the start-up steps. Its slots hand each click to the handler that does the work.
#pragma once

#include "gui/FetchToolFiles.h"
#include "gui/WindowContext.h"

#include <QCursor>
#include <QWidget>

#include <functional>
#include <optional>

class QPushButton;

class MainWindow : public QWidget, public WindowContext
{
    Q_OBJECT
public:
    // What start-up reads from outside the program.
    struct Startup
    {
        QString programFolder; // HAND-M.CUR and x/o.cjs live here
        std::function<int()> secondsSinceMidnight; // seeds the home-page draw
    };

    static constexpr const char *ProductName = "Brindlewood";
    static constexpr const char *HomePageAddress = "https://www.brindlewood.example/";
    static constexpr const char *ListToolTip = "Double-click item to remove it. Move | line to "
                                               "right and out of window to reveal full names.";

    MainWindow(Platform &platform, Startup startup, QWidget *parent = nullptr);
    ~MainWindow() override;

    // The start-up steps: run once, before the window is first shown.
    void runStartup();
    // Shows the window for the first time, centred on its screen.
    void showCentred();

    // WindowContext
    Platform &platform() const override { return m_platform; }
    QWidget *dialogOwner() override { return this; }
    QString applicationTitle() const override { return m_applicationTitle; }
    LinkListView *inputList() const override { return m_inputList; }
    LinkListView *validList() const override { return m_validList; }
    LinkListView *invalidList() const override { return m_invalidList; }
    MousePointer mousePointer() const override { return m_pointer; }
    void setMousePointer(MousePointer pointer) override;
    bool isChecking() const override { return m_checking; }
    void setChecking(bool checking) override { m_checking = checking; }
    bool isClosing() const override { return m_closing; }
    FetchToolFiles &fetchToolFiles() override { return m_fetchToolFiles; }

    const Startup &startup() const { return m_startup; }
    // The hand pointer loaded at start-up, if any.
    const std::optional<QCursor> &handCursor() const { return m_handCursor; }
    // The resolution the layout's twips are converted at.
    qreal logicalDpi() const;

public slots:
    void addLink();
    void loadLinkFiles();
    void loadSampleLinks();
    void openSelectedLink();
    void showHelp();
    void clearInputList();
    void startChecking();
    void saveValidList();
    void clearValidList();
    void saveInvalidList();
    void clearInvalidList();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    bool event(QEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void applySkin();
    void loadHandPointer(const QString &path);
    void openHomePageAtRandom();
    void watchPointer(QWidget *control);
    void pointerOverButton();
    void pointerOverList();
    void pointerOverBackground();
    void applyPointer();
    void endProgramWhenRunIsOver();

    Platform &m_platform;
    Startup m_startup;
    QString m_applicationTitle;
    MousePointer m_pointer = DefaultPointer;
    bool m_checking = false;
    bool m_closing = false;
    std::optional<QCursor> m_handCursor;
    FetchToolFiles m_fetchToolFiles;

    LinkListView *m_inputList = nullptr;
    LinkListView *m_validList = nullptr;
    LinkListView *m_invalidList = nullptr;
    QPushButton *m_addLinkButton = nullptr;
    QPushButton *m_loadLinkFilesButton = nullptr;
    QPushButton *m_clearInputButton = nullptr;
    QPushButton *m_saveValidButton = nullptr;
    QPushButton *m_saveInvalidButton = nullptr;
    QPushButton *m_clearValidButton = nullptr;
    QPushButton *m_clearInvalidButton = nullptr;
    QPushButton *m_startCheckingButton = nullptr;
    QPushButton *m_loadSamplesButton = nullptr;
    QPushButton *m_openLinkButton = nullptr;
    QPushButton *m_helpButton = nullptr;
};
