#include "gui/MainWindow.h"

#include "core/FileExists.h"
#include "gui/ApplicationIcon.h"
#include "gui/ApplicationTitle.h"
#include "gui/CheckRun.h"
#include "gui/ErrorTrap.h"
#include "gui/HomePageDraw.h"
#include "gui/LinkFileLoading.h"
#include "gui/LinkListView.h"
#include "gui/ListEditing.h"
#include "gui/ReportNames.h"
#include "gui/ResultSaving.h"
#include "gui/Twips.h"
#include "gui/WindowPlacement.h"
#include "platform/CursorFile.h"
#include "platform/Platform.h"
#include "platform/SkinFramework.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEnterEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPlatformSurfaceEvent>
#include <QPushButton>
#include <QScreen>

namespace {
constexpr int ClientWidthTwips = 15960;
constexpr int ClientHeightTwips = 5460;

struct ControlPlacement
{
    int left, top, width, height;
};
} // namespace

MainWindow::MainWindow(Platform &platform, Startup startup, QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                  | Qt::MSWindowsFixedSizeDialogHint)
    , m_platform(platform)
    , m_startup(std::move(startup))
{
    setObjectName(QStringLiteral("mainWindow"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setFont(QFont(QStringLiteral("Arial"), 9, QFont::Bold));
    setMouseTracking(true);
    createControls();
}

MainWindow::~MainWindow() = default;

void MainWindow::createControls()
{
    const qreal dpi = logicalDpi();
    setFixedSize(twipsToPixels(ClientWidthTwips, dpi), twipsToPixels(ClientHeightTwips, dpi));

    const QFont listFont(QStringLiteral("Arial"), 9, QFont::Bold);
    QFont buttonFont(QStringLiteral("Arial"));
    buttonFont.setPointSizeF(11.25);
    buttonFont.setBold(true);

    QList<QWidget *> tabOrder; // the order the controls are made in
    auto makeList = [&](const char *name, ControlPlacement at) {
        auto *list = new LinkListView(this);
        list->setObjectName(QLatin1String(name));
        list->setGeometry(twipsToPixels(at.left, at.top, at.width, at.height, dpi));
        list->setFont(listFont);
        list->setToolTip(QLatin1String(ListToolTip));
        // The pointer rules hold over every part of a list: rows, header, scroll bars.
        watchPointer(list);
        for (QWidget *part : list->findChildren<QWidget *>())
            watchPointer(part);
        tabOrder << list;
        return list;
    };
    auto makeButton = [&](const char *name, const char *caption, ControlPlacement at) {
        auto *button = new QPushButton(QLatin1String(caption), this);
        button->setObjectName(QLatin1String(name));
        button->setGeometry(twipsToPixels(at.left, at.top, at.width, at.height, dpi));
        button->setFont(buttonFont);
        button->setAutoDefault(false);
        watchPointer(button);
        tabOrder << button;
        return button;
    };

    // Created in tab order.
    m_inputList = makeList("inputList", {120, 120, 7800, 3195});
    m_validList = makeList("validList", {8040, 120, 7800, 2070});
    m_invalidList = makeList("invalidList", {8040, 2770, 7800, 2070});
    m_addLinkButton
        = makeButton("addLinkButton", "Add YouTube Link To List", {120, 3400, 3840, 405});
    m_loadLinkFilesButton = makeButton("loadLinkFilesButton", "Load YouTube Links From File",
                                       {4080, 3400, 3840, 405});
    m_clearInputButton = makeButton("clearInputButton", "Clear List", {120, 3910, 3840, 405});
    m_saveValidButton
        = makeButton("saveValidButton", "Save Results As Text File", {8040, 2280, 3840, 405});
    m_saveInvalidButton
        = makeButton("saveInvalidButton", "Save Results As Text File", {8040, 4930, 3840, 405});
    m_clearValidButton = makeButton("clearValidButton", "Clear List", {12000, 2280, 3840, 405});
    m_clearInvalidButton = makeButton("clearInvalidButton", "Clear List", {12000, 4930, 3840, 405});
    m_startCheckingButton
        = makeButton("startCheckingButton", "Start Checking", {120, 4930, 7800, 405});
    m_loadSamplesButton
        = makeButton("loadSamplesButton", "Load Sample/Example Links", {4080, 3910, 3840, 405});
    m_openLinkButton
        = makeButton("openLinkButton", "Open Selected YouTube Link", {120, 4420, 3840, 405});
    m_helpButton = makeButton("helpButton", "Help", {4080, 4420, 3840, 405});

    for (qsizetype i = 0; i + 1 < tabOrder.size(); ++i)
        setTabOrder(tabOrder.at(i), tabOrder.at(i + 1));

    connect(m_saveInvalidButton, &QPushButton::clicked, this, &MainWindow::saveInvalidList);
    connect(m_clearInvalidButton, &QPushButton::clicked, this, &MainWindow::clearInvalidList);
    connect(m_loadLinkFilesButton, &QPushButton::clicked, this, &MainWindow::loadLinkFiles);
    connect(m_startCheckingButton, &QPushButton::clicked, this, &MainWindow::startChecking);
    connect(m_addLinkButton, &QPushButton::clicked, this, &MainWindow::addLink);
    connect(m_saveValidButton, &QPushButton::clicked, this, &MainWindow::saveValidList);
    connect(m_openLinkButton, &QPushButton::clicked, this, &MainWindow::openSelectedLink);
    connect(m_loadSamplesButton, &QPushButton::clicked, this, &MainWindow::loadSampleLinks);
    connect(m_clearValidButton, &QPushButton::clicked, this, &MainWindow::clearValidList);
    connect(m_helpButton, &QPushButton::clicked, this, &MainWindow::showHelp);
    connect(m_clearInputButton, &QPushButton::clicked, this, &MainWindow::clearInputList);

    // Row removal: a double-click in any list, and a single click in the invalid list.
    for (LinkListView *list : {inputList(), validList(), invalidList()}) {
        connect(list, &QAbstractItemView::doubleClicked, this,
                [this, list] { ListEditing::removeSelectedRow(*this, *list); });
    }
    connect(invalidList(), &QAbstractItemView::clicked, this,
            [this] { ListEditing::removeSelectedRow(*this, *invalidList()); });

    inputList()->setFocus();
}

qreal MainWindow::logicalDpi() const
{
    return screen() ? screen()->logicalDotsPerInch() : 96.0;
}

void MainWindow::showCentred()
{
    const QScreen *target = screen() ? screen() : QGuiApplication::primaryScreen();
    if (target) {
        // The platform window is made first so that its frame is known where the system tells
        // it before the window is shown (Windows does; an X11 window manager only afterwards).
        winId();
        const QSize frame = frameGeometry().size().expandedTo(size());
        move(placeOnScreen(frame, target->availableGeometry()));
    }
    show();
}

void MainWindow::runStartup()
{
    ErrorTrap trap(m_platform, this, ReportNames::Startup);
    trap.step(100, [&] { applySkin(); });
    const QString handPath = QDir(m_startup.programFolder).filePath(QStringLiteral("HAND-M.CUR"));
    if (trap.test(102, [&] { return fileExists(handPath); }))
        trap.step(104, [&] { loadHandPointer(handPath); });
    trap.step(106, [&] { openHomePageAtRandom(); });
    trap.step(126, [&] {
        setWindowTitle(QLatin1String(ProductName));
        setWindowIcon(applicationIcon());
        m_applicationTitle = applicationTitleFor(QLatin1String(ProductName));
    });
    trap.step(128, [&] { inputList()->addColumn(QStringLiteral("YouTube Link(s)")); });
    trap.step(130, [&] { inputList()->setColumnWidth(0, twipsToPixels(7000, logicalDpi())); });
    trap.step(132, [&] { validList()->addColumn(QStringLiteral(" Valid YouTube Link(s)")); });
    trap.step(134, [&] { validList()->setColumnWidth(0, twipsToPixels(7000, logicalDpi())); });
    trap.step(136, [&] { invalidList()->addColumn(QStringLiteral("Invalid YouTube Link(s)")); });
    trap.step(138, [&] { invalidList()->addColumn(QStringLiteral("Reason")); });
    trap.step(140, [&] { invalidList()->setColumnWidth(0, twipsToPixels(4000, logicalDpi())); });
    trap.step(142, [&] { invalidList()->setColumnWidth(1, twipsToPixels(3000, logicalDpi())); });
}

void MainWindow::applySkin()
{
    const QString path = QDir(m_startup.programFolder).filePath(QStringLiteral("x/o.cjs"));
    if (!QFileInfo(path).isFile())
        return; // no skin: the window keeps its designed look

    // An unusable skin changes nothing: it is loaded before anything of the look changes.
    SkinFramework skin;
    skin.loadSkin(path, QString());
    // The window has no option buttons, check boxes, frames or labels, so the button-face
    // colour goes to its own background only.
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    setPalette(palette);

    skin.setApplyOptions(skin.applyOptions() | SkinFramework::ApplyColors);
    skin.setStyledBackground(true);
    skin.setKeepLayout(true);
    skin.applyWindow(this);
}

void MainWindow::loadHandPointer(const QString &path)
{
    m_handCursor = readCursorFile(path);
}

void MainWindow::openHomePageAtRandom()
{
    const int seconds = m_startup.secondsSinceMidnight ? m_startup.secondsSinceMidnight() : 0;
    if (homePageDraw(seconds) == HomePageNumber)
        m_platform.openUrl(QLatin1String(HomePageAddress)); // hands over; does not wait
}

void MainWindow::setMousePointer(MousePointer pointer)
{
    m_pointer = pointer;
    applyPointer();
}

void MainWindow::applyPointer()
{
    switch (m_pointer) {
    case HourglassPointer:
        setCursor(Qt::WaitCursor);
        break;
    case HandPointer:
        setCursor(m_handCursor ? *m_handCursor : QCursor(Qt::ArrowCursor));
        break;
    default:
        setCursor(Qt::ArrowCursor);
        break;
    }
}

void MainWindow::watchPointer(QWidget *control)
{
    control->setMouseTracking(true);
    control->installEventFilter(this);
}

// The rules run on every pointer move; a pointer already in place is left alone rather
// than set again.
void MainWindow::pointerOverButton()
{
    if (m_pointer != HourglassPointer && m_pointer != HandPointer)
        setMousePointer(HandPointer);
}

void MainWindow::pointerOverList()
{
    if (m_pointer != HourglassPointer && m_pointer != DefaultPointer)
        setMousePointer(DefaultPointer);
}

void MainWindow::pointerOverBackground()
{
    pointerOverList(); // the background follows the lists' rule
}

bool MainWindow::eventFilter(QObject *watched, QEvent *event)
{
    // Only the buttons and the parts of the lists are watched.
    const QEvent::Type type = event->type();
    if (type == QEvent::MouseMove || type == QEvent::Enter || type == QEvent::HoverMove) {
        if (qobject_cast<QPushButton *>(watched))
            pointerOverButton();
        else
            pointerOverList();
    } else if (type == QEvent::KeyPress) {
        auto *list = qobject_cast<LinkListView *>(watched);
        if (list && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Delete) {
            ListEditing::removeSelectedRow(*this, *list);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::enterEvent(QEnterEvent *event)
{
    // Entering a control also enters the window first; only bare background counts here.
    if (!childAt(event->position().toPoint()))
        pointerOverBackground();
    QWidget::enterEvent(event);
}

void MainWindow::mouseMoveEvent(QMouseEvent *event)
{
    // A move over a button that the button does not use comes on to the window as well;
    // it must not undo the button's hand pointer.
    if (!childAt(event->position().toPoint()))
        pointerOverBackground();
    QWidget::mouseMoveEvent(event);
}

bool MainWindow::event(QEvent *event)
{
    // The native window destroyed from outside, with no close request before: the window is
    // gone all the same, and so is the program.
    if (event->type() == QEvent::PlatformSurface
        && static_cast<QPlatformSurfaceEvent *>(event)->surfaceEventType()
            == QPlatformSurfaceEvent::SurfaceAboutToBeDestroyed)
        endProgramWhenRunIsOver();
    return QWidget::event(event);
}

void MainWindow::closeEvent(QCloseEvent *event)
{
    event->accept();
    endProgramWhenRunIsOver();
}

void MainWindow::endProgramWhenRunIsOver()
{
    // Qt destroys the native window of a window it closes: the news can come twice.
    if (m_closing)
        return;
    m_closing = true;
    // A check run in progress first stops its fetch and deletes its files (startChecking
    // ends the program when it returns); nothing else needs to finish.
    if (!m_checking)
        m_platform.endProgram();
}

void MainWindow::addLink()
{
    ListEditing::addTypedLink(*this);
}
void MainWindow::loadLinkFiles()
{
    LinkFileLoading::loadLinkFiles(*this);
}
void MainWindow::loadSampleLinks()
{
    ListEditing::appendSampleLinks(*this);
}
void MainWindow::openSelectedLink()
{
    ListEditing::openSelectedLink(*this);
}
void MainWindow::showHelp()
{
    ListEditing::showHelp(*this);
}
void MainWindow::clearInputList()
{
    ListEditing::clearInputList(*this);
}
void MainWindow::startChecking()
{
    CheckRun::startChecking(*this);
    // The window was closed during the run, which has now ended; a click that came in during
    // the run returns before it is over and ends nothing.
    if (m_closing && !m_checking)
        m_platform.endProgram();
}
void MainWindow::saveValidList()
{
    ResultSaving::saveValidList(*this);
}
void MainWindow::clearValidList()
{
    ListEditing::clearValidList(*this);
}
void MainWindow::saveInvalidList()
{
    ResultSaving::saveInvalidList(*this);
}
void MainWindow::clearInvalidList()
{
    ListEditing::clearInvalidList(*this);
}
