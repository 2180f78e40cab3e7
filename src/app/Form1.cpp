#include "app/Form1.h"

#include "app/ApplicationIcon.h"
#include "app/ApplicationTitle.h"
#include "app/ErrorTrap.h"
#include "app/HomePageDraw.h"
#include "app/Twips.h"
#include "check/CheckRun.h"
#include "lists/LinkFileLoading.h"
#include "lists/LinkListView.h"
#include "lists/ListEditing.h"
#include "lists/ResultSaving.h"
#include "platform/CursorFile.h"
#include "platform/Platform.h"
#include "platform/SkinFramework.h"
#include "textio/FileExists.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QEnterEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QStyle>

namespace {
constexpr int ClientWidthTwips = 15960;
constexpr int ClientHeightTwips = 5460;

struct ControlPlacement
{
    int left, top, width, height;
};
} // namespace

Form1::Form1(Platform &platform, Startup startup, QWidget *parent)
    : QWidget(parent,
              Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                  | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint
                  | Qt::MSWindowsFixedSizeDialogHint)
    , m_platform(platform)
    , m_startup(std::move(startup))
{
    setObjectName(QStringLiteral("Form1"));
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);
    setFont(QFont(QStringLiteral("Arial"), 9, QFont::Bold));
    setMouseTracking(true);
    createControls();
}

Form1::~Form1() = default;

void Form1::createControls()
{
    const qreal dpi = logicalDpi();
    setFixedSize(twipsToPixels(ClientWidthTwips, dpi), twipsToPixels(ClientHeightTwips, dpi));

    const QFont listFont(QStringLiteral("Arial"), 9, QFont::Bold);
    QFont buttonFont(QStringLiteral("Arial"));
    buttonFont.setPointSizeF(11.25);
    buttonFont.setBold(true);

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
        m_tabOrder << list;
        return list;
    };
    auto makeButton = [&](const char *name, const char *caption, ControlPlacement at) {
        auto *button = new QPushButton(QLatin1String(caption), this);
        button->setObjectName(QLatin1String(name));
        button->setGeometry(twipsToPixels(at.left, at.top, at.width, at.height, dpi));
        button->setFont(buttonFont);
        button->setAutoDefault(false);
        watchPointer(button);
        m_tabOrder << button;
        return button;
    };

    // Created in tab order.
    ListView1 = makeList("ListView1", {120, 120, 7800, 3195});
    ListView2 = makeList("ListView2", {8040, 120, 7800, 2070});
    ListView3 = makeList("ListView3", {8040, 2770, 7800, 2070});
    PushButton5 = makeButton("PushButton5", "Add YouTube Link To List", {120, 3400, 3840, 405});
    PushButton3
        = makeButton("PushButton3", "Load YouTube Links From File", {4080, 3400, 3840, 405});
    PushButton11 = makeButton("PushButton11", "Clear List", {120, 3910, 3840, 405});
    PushButton6 = makeButton("PushButton6", "Save Results As Text File", {8040, 2280, 3840, 405});
    PushButton1 = makeButton("PushButton1", "Save Results As Text File", {8040, 4930, 3840, 405});
    PushButton9 = makeButton("PushButton9", "Clear List", {12000, 2280, 3840, 405});
    PushButton2 = makeButton("PushButton2", "Clear List", {12000, 4930, 3840, 405});
    PushButton4 = makeButton("PushButton4", "Start Checking", {120, 4930, 7800, 405});
    PushButton8 = makeButton("PushButton8", "Load Sample/Example Links", {4080, 3910, 3840, 405});
    PushButton7 = makeButton("PushButton7", "Open Selected YouTube Link", {120, 4420, 3840, 405});
    PushButton10 = makeButton("PushButton10", "Help", {4080, 4420, 3840, 405});

    for (qsizetype i = 0; i + 1 < m_tabOrder.size(); ++i)
        setTabOrder(m_tabOrder.at(i), m_tabOrder.at(i + 1));

    connect(PushButton1, &QPushButton::clicked, this, &Form1::PushButton1_Click);
    connect(PushButton2, &QPushButton::clicked, this, &Form1::PushButton2_Click);
    connect(PushButton3, &QPushButton::clicked, this, &Form1::PushButton3_Click);
    connect(PushButton4, &QPushButton::clicked, this, &Form1::PushButton4_Click);
    connect(PushButton5, &QPushButton::clicked, this, &Form1::PushButton5_Click);
    connect(PushButton6, &QPushButton::clicked, this, &Form1::PushButton6_Click);
    connect(PushButton7, &QPushButton::clicked, this, &Form1::PushButton7_Click);
    connect(PushButton8, &QPushButton::clicked, this, &Form1::PushButton8_Click);
    connect(PushButton9, &QPushButton::clicked, this, &Form1::PushButton9_Click);
    connect(PushButton10, &QPushButton::clicked, this, &Form1::PushButton10_Click);
    connect(PushButton11, &QPushButton::clicked, this, &Form1::PushButton11_Click);

    // Row removal: a double-click in any list, and a single click in the invalid list.
    for (LinkListView *list : {ListView1, ListView2, ListView3}) {
        connect(list, &QAbstractItemView::doubleClicked, this,
                [this, list] { ListEditing::removeSelectedRow(*this, *list); });
    }
    connect(ListView3, &QAbstractItemView::clicked, this,
            [this] { ListEditing::removeSelectedRow(*this, *ListView3); });

    ListView1->setFocus();
}

qreal Form1::logicalDpi() const
{
    return screen() ? screen()->logicalDotsPerInch() : 96.0;
}

void Form1::showCentred()
{
    const QScreen *target = screen() ? screen() : QGuiApplication::primaryScreen();
    if (target) {
        // Centre the client area; the frame is the window manager's and not known before
        // the window is shown.
        setGeometry(QStyle::alignedRect(Qt::LeftToRight, Qt::AlignCenter, size(),
                                        target->availableGeometry()));
    }
    show();
}

void Form1::Form_Load()
{
    ErrorTrap trap(m_platform, this, QStringLiteral("Form1.Form_Load"));
    trap.step(100, [&] { ApplySkin(); });
    const QString handPath = QDir(m_startup.programFolder).filePath(QStringLiteral("HAND-M.CUR"));
    if (trap.test(102, [&] { return FileExists(handPath); }))
        trap.step(104, [&] { loadHandPointer(handPath); });
    trap.step(106, [&] { OpenHomePageAtRandom(); });
    trap.step(126, [&] {
        setWindowTitle(QLatin1String(ProductName));
        setWindowIcon(applicationIcon());
        SetApplicationTitle();
    });
    trap.step(128, [&] { ListView1->addColumn(QStringLiteral("YouTube Link(s)")); });
    trap.step(130, [&] { ListView1->setColumnWidth(0, twipsToPixels(7000, logicalDpi())); });
    trap.step(132, [&] { ListView2->addColumn(QStringLiteral(" Valid YouTube Link(s)")); });
    trap.step(134, [&] { ListView2->setColumnWidth(0, twipsToPixels(7000, logicalDpi())); });
    trap.step(136, [&] { ListView3->addColumn(QStringLiteral("Invalid YouTube Link(s)")); });
    trap.step(138, [&] { ListView3->addColumn(QStringLiteral("Reason")); });
    trap.step(140, [&] { ListView3->setColumnWidth(0, twipsToPixels(4000, logicalDpi())); });
    trap.step(142, [&] { ListView3->setColumnWidth(1, twipsToPixels(3000, logicalDpi())); });
}

void Form1::ApplySkin()
{
    const QString path = QDir(m_startup.programFolder).filePath(QStringLiteral("x/o.cjs"));
    if (!QFileInfo(path).isFile())
        return; // no skin: the window keeps its designed look

    // The window has no option buttons, check boxes, frames or labels, so the button-face
    // colour goes to its own background only.
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, QApplication::palette().color(QPalette::Button));
    setPalette(palette);

    SkinFramework skin;
    skin.loadSkin(path, QString());
    skin.setApplyOptions(skin.applyOptions() | SkinFramework::ApplyColors);
    skin.setStyledBackground(true);
    skin.setKeepLayout(true);
    skin.applyWindow(this);
}

void Form1::loadHandPointer(const QString &path)
{
    m_handCursor = readCursorFile(path);
}

void Form1::OpenHomePageAtRandom()
{
    const int seconds = m_startup.secondsSinceMidnight ? m_startup.secondsSinceMidnight() : 0;
    if (homePageDraw(seconds) == HomePageNumber)
        m_platform.openUrl(QLatin1String(HomePageAddress)); // hands over; does not wait
}

void Form1::SetApplicationTitle()
{
    m_applicationTitle = applicationTitleFor(QLatin1String(ProductName));
}

void Form1::setMousePointer(int pointer)
{
    m_pointer = pointer;
    applyPointer();
}

void Form1::applyPointer()
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

void Form1::watchPointer(QWidget *control)
{
    control->setMouseTracking(true);
    control->installEventFilter(this);
}

// The rules run on every pointer move; a pointer already in place is left alone rather
// than set again.
void Form1::pointerOverButton()
{
    if (m_pointer != HourglassPointer && m_pointer != HandPointer)
        setMousePointer(HandPointer);
}

void Form1::pointerOverList()
{
    if (m_pointer != HourglassPointer && m_pointer != DefaultPointer)
        setMousePointer(DefaultPointer);
}

void Form1::pointerOverBackground()
{
    pointerOverList(); // the background follows the lists' rule
}

bool Form1::eventFilter(QObject *watched, QEvent *event)
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

void Form1::enterEvent(QEnterEvent *event)
{
    // Entering a control also enters the window first; only bare background counts here.
    if (!childAt(event->position().toPoint()))
        pointerOverBackground();
    QWidget::enterEvent(event);
}

void Form1::mouseMoveEvent(QMouseEvent *event)
{
    // A move over a button that the button does not use comes on to the window as well;
    // it must not undo the button's hand pointer.
    if (!childAt(event->position().toPoint()))
        pointerOverBackground();
    QWidget::mouseMoveEvent(event);
}

void Form1::closeEvent(QCloseEvent *event)
{
    // Closing ends the program at once, even in the middle of a check run.
    event->accept();
    m_platform.endProgram();
}

void Form1::PushButton1_Click()
{
    ResultSaving::saveInvalidList(*this);
}
void Form1::PushButton2_Click()
{
    ListEditing::clearInvalidList(*this);
}
void Form1::PushButton3_Click()
{
    LinkFileLoading::loadLinkFiles(*this);
}
void Form1::PushButton4_Click()
{
    CheckRun::startChecking(*this);
}
void Form1::PushButton5_Click()
{
    ListEditing::addTypedLink(*this);
}
void Form1::PushButton6_Click()
{
    ResultSaving::saveValidList(*this);
}
void Form1::PushButton7_Click()
{
    ListEditing::openSelectedLink(*this);
}
void Form1::PushButton8_Click()
{
    ListEditing::appendSampleLinks(*this);
}
void Form1::PushButton9_Click()
{
    ListEditing::clearValidList(*this);
}
void Form1::PushButton10_Click()
{
    ListEditing::showHelp(*this);
}
void Form1::PushButton11_Click()
{
    ListEditing::clearInputList(*this);
}
