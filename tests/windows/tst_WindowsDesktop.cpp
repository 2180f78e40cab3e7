// The Windows build on a screen (Wine on a virtual X screen in CI): brindlewood.exe starts,
// shows its window at the layout's size and ends when it is closed; and the window, on the real
// platform (native message boxes, hidden curl.exe from %TEMP%, the internet library's connected
// state), checks three links against the fixture server; and the save dialog keeps the name a
// user types. With BRINDLEWOOD_SCREENSHOTS naming a folder, both windows are saved there as PNG
// pictures.
#include "fixture/FixtureServerProcess.h"
#include "gui/LinkFileLoading.h"
#include "gui/LinkListView.h"
#include "gui/MainWindow.h"
#include "gui/ResultSaving.h"
#include "platform/QtPlatform.h"
#include "system/ChildEnd.h"

#include <QApplication>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <atomic>
#include <thread>

#include <windows.h>

namespace {
// The visible top-level window of a process, or null.
HWND windowOf(qint64 processId)
{
    struct Search
    {
        DWORD processId;
        HWND found = nullptr;
    } search {DWORD(processId)};
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            auto *search = reinterpret_cast<Search *>(data);
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            if (owner != search->processId || !IsWindowVisible(window)
                || GetWindow(window, GW_OWNER))
                return TRUE;
            search->found = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

// A visible dialog of this process (the common dialogs' window class), or null.
HWND openDialog()
{
    HWND found = nullptr;
    EnumWindows(
        [](HWND window, LPARAM data) -> BOOL {
            DWORD owner = 0;
            GetWindowThreadProcessId(window, &owner);
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (owner != GetCurrentProcessId() || !IsWindowVisible(window)
                || std::wstring(name) != L"#32770")
                return TRUE;
            *reinterpret_cast<HWND *>(data) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

// The first visible edit box in a dialog: where a file dialog takes the name.
HWND nameBox(HWND dialog)
{
    HWND found = nullptr;
    EnumChildWindows(
        dialog,
        [](HWND window, LPARAM data) -> BOOL {
            wchar_t name[16] = {};
            GetClassNameW(window, name, 16);
            if (!IsWindowVisible(window) || _wcsicmp(name, L"Edit") != 0)
                return TRUE;
            *reinterpret_cast<HWND *>(data) = window;
            return FALSE;
        },
        reinterpret_cast<LPARAM>(&found));
    return found;
}

void saveScreenshot(WId window, const QString &name)
{
    const QString folder = qEnvironmentVariable("BRINDLEWOOD_SCREENSHOTS");
    if (folder.isEmpty())
        return;
    const QPixmap picture = QGuiApplication::primaryScreen()->grabWindow(window);
    QVERIFY(!picture.isNull());
    QVERIFY(picture.save(QDir(folder).filePath(name), "PNG"));
}

// The window's size as the layout makes it on this screen.
QSize layoutSize()
{
    QtPlatform platform;
    MainWindow form(platform, {QString(), [] {
                                   return 1;
                               }});
    return form.size();
}
} // namespace

class WindowsDesktopTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != u"windows")
            QSKIP("needs a screen and the windows platform (under Wine an X display, which "
                  "./setup.sh windows starts with Xvfb)");
    }

    void programShowsItsWindowAndEndsWhenClosed()
    {
        QTemporaryDir temp;
        QProcess program;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        environment.insert(QStringLiteral("TEMP"), QDir::toNativeSeparators(temp.path()));
        program.setProcessEnvironment(environment);
        program.start(QStringLiteral(BRINDLEWOOD_TEST_PROGRAM), {});
        QVERIFY2(program.waitForStarted(), qPrintable(program.errorString()));

        HWND window = nullptr;
        QTRY_VERIFY_WITH_TIMEOUT((window = windowOf(program.processId())) != nullptr, 60'000);
        wchar_t title[256] = {};
        GetWindowTextW(window, title, 256);
        QVERIFY2(QString::fromWCharArray(title).startsWith(u"Brindlewood"_qs),
                 qPrintable(QString::fromWCharArray(title)));
        RECT client = {};
        QVERIFY(GetClientRect(window, &client));
        QCOMPARE(QSize(client.right - client.left, client.bottom - client.top), layoutSize());
        QTest::qWait(1000); // let it finish drawing
        saveScreenshot(WId(window), u"brindlewood-started.png"_qs);

        PostMessageW(window, WM_CLOSE, 0, 0);
        QVERIFY(ChildEnd::waitFor(program, 30'000));
        QCOMPARE(program.exitStatus(), QProcess::NormalExit);
        QCOMPARE(program.exitCode(), 0);
    }

    // Three links through the whole check run on the real platform: the "Done." box is the
    // native one, answered as a user would.
    void checkRunOfThreeLinksOnTheScreen()
    {
        FixtureServerProcess server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        QTemporaryDir temp;
        qputenv("TEMP", QDir::toNativeSeparators(temp.path()).toLocal8Bit());

        QtPlatform platform;
        MainWindow form(platform, {temp.path(), [] {
                                       return 1;
                                   }});
        form.runStartup();
        form.showCentred();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        const QStringList links {server.url("/watch?v=ok"), server.url("/watch?v=error"),
                                 server.url("/watch?v=login")};
        for (const QString &link : links)
            form.inputList()->append(link);

        QStringList boxes;
        QTimer answer;
        connect(&answer, &QTimer::timeout, [&] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                boxes << box->text();
                box->button(QMessageBox::Ok)->click();
            }
        });
        answer.start(100);
        QTest::mouseClick(form.findChild<QPushButton *>("startCheckingButton"), Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(boxes, QStringList {"Done."}, 120'000);
        answer.stop();

        QCOMPARE(form.validList()->links(), QStringList {links[0]});
        QCOMPARE(form.invalidList()->links(), (QStringList {links[1], links[2]}));
        QCOMPARE(form.invalidList()->text(1, 1),
                 u"Video unavailable ::This video has been removed by the uploader"_qs);
        QCOMPARE(server.requestTargets(),
                 (QStringList {"/watch?v=ok", "/watch?v=error", "/watch?v=login"}));
        // curl.exe, its certificate file and the page are gone again.
        QCOMPARE(
            QDir(temp.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
            QStringList());
        QTest::qWait(500);
        saveScreenshot(form.winId(), u"brindlewood-after-check.png"_qs);
    }

    // The save dialog as the window shows it, answered as a user would: a name typed into it
    // and OK. A name without an extension is used as typed, not given the filter's.
    void saveDialogKeepsTheTypedName_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::newRow("no extension") << u"saved-valid"_qs;
        QTest::newRow("an extension of its own") << u"saved-valid.csv"_qs;
        QTest::newRow("the filter's extension") << u"saved-valid.txt"_qs;
    }
    void saveDialogKeepsTheTypedName()
    {
        QFETCH(QString, typed);
        QTemporaryDir folder;
        const std::wstring path = QDir::toNativeSeparators(folder.filePath(typed)).toStdWString();
        std::atomic<bool> done = false;
        // The dialog holds this thread in its own loop, so another one plays the user; it
        // cancels the dialog if it finds no name box, rather than leave the test hanging.
        std::thread user([&] {
            for (int tries = 0; tries < 600 && !done; ++tries) {
                Sleep(100);
                const HWND dialog = openDialog();
                const HWND box = dialog ? nameBox(dialog) : nullptr;
                if (box) {
                    SendMessageW(box, WM_SETTEXT, 0, LPARAM(path.c_str()));
                    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
                    return;
                }
                if (dialog && tries > 300)
                    PostMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
            }
        });
        QWidget owner;
        owner.show();
        Platform::FileDialogSettings settings;
        settings.flags = LinkFileLoading::OpenDialogFlags;
        settings.title = QLatin1String(ResultSaving::SaveDialogTitle);
        settings.filter = QLatin1String(LinkFileLoading::TextFileFilter);
        const QString chosen = QtPlatform().showSave(&owner, settings);
        done = true;
        user.join();
        QCOMPARE(chosen, QString::fromStdWString(path));
    }
};

QTEST_MAIN(WindowsDesktopTest)
#include "tst_WindowsDesktop.moc"
