// Form1: the program's one window: three link lists, eleven push buttons, the pointer
// setting and the start-up steps; its handlers delegate to the lists and check subsystems.
#pragma once

#include <QCursor>
#include <QPushButton>
#include <QWidget>

#include <functional>
#include <optional>

class LinkListView;
class Platform;

class Form1 : public QWidget
{
    Q_OBJECT
public:
    // The window's pointer setting (values as the busy test reads them).
    enum Pointer { DefaultPointer = 0, HourglassPointer = 11, HandPointer = 99 };

    // What start-up reads from outside the program.
    struct Startup
    {
        QString programFolder; // HAND-M.CUR and x/o.cjs live here
        std::function<int()> secondsSinceMidnight; // seeds the home-page draw
    };

    static constexpr const char *ProductName = "Brindlewood";
    static constexpr const char *HomePageAddress = "https://www.brindlewood.example/";
    static constexpr const char *ContactPageAddress = "https://www.brindlewood.example/contact/";
    static constexpr const char *ListToolTip = "Double-click item to remove it. Move | line to "
                                               "right and out of window to reveal full names.";

    Form1(Platform &platform, Startup startup, QWidget *parent = nullptr);
    ~Form1() override;

    // Start-up handler: runs once, before the window is first shown.
    void Form_Load();

    Platform &platform() const { return m_platform; }
    const Startup &startup() const { return m_startup; }
    QString applicationTitle() const { return m_applicationTitle; }

    int mousePointer() const { return m_pointer; }
    void setMousePointer(int pointer);
    bool isBusy() const { return m_pointer == HourglassPointer; }

    LinkListView *ListView1 = nullptr; // input list
    LinkListView *ListView2 = nullptr; // valid list
    LinkListView *ListView3 = nullptr; // invalid list
    QPushButton *PushButton1 = nullptr;
    QPushButton *PushButton2 = nullptr;
    QPushButton *PushButton3 = nullptr;
    QPushButton *PushButton4 = nullptr;
    QPushButton *PushButton5 = nullptr;
    QPushButton *PushButton6 = nullptr;
    QPushButton *PushButton7 = nullptr;
    QPushButton *PushButton8 = nullptr;
    QPushButton *PushButton9 = nullptr;
    QPushButton *PushButton10 = nullptr;
    QPushButton *PushButton11 = nullptr;

    // True while a check run is in progress; the only guard against a second run.
    bool IsChecking = false;

    // The hand pointer loaded at start-up, if any.
    const std::optional<QCursor> &handCursor() const { return m_handCursor; }

    // The resolution the layout's twips are converted at.
    qreal logicalDpi() const;

    // Shows the window for the first time, centred on its screen.
    void showCentred();

public slots:
    void PushButton1_Click();
    void PushButton2_Click();
    void PushButton3_Click();
    void PushButton4_Click();
    void PushButton5_Click();
    void PushButton6_Click();
    void PushButton7_Click();
    void PushButton8_Click();
    void PushButton9_Click();
    void PushButton10_Click();
    void PushButton11_Click();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void enterEvent(QEnterEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    void createControls();
    void ApplySkin();
    void loadHandPointer(const QString &path);
    void OpenHomePageAtRandom();
    void SetApplicationTitle();
    void watchPointer(QWidget *control);
    void pointerOverButton();
    void pointerOverList();
    void pointerOverBackground();
    void applyPointer();

    Platform &m_platform;
    Startup m_startup;
    QString m_applicationTitle;
    int m_pointer = DefaultPointer;
    std::optional<QCursor> m_handCursor;
    QList<QWidget *> m_tabOrder;
};
