// What the Windows build does differently, on Windows itself (under Wine in CI): the fetch is
// started hidden, the connected state is the internet library's, and the console's events
// interrupt the shell tool as signals do on Linux.
#include "gui/ConnectionMode.h"
#include "gui/ProcessWait.h"
#include "platform/QtPlatform.h"
#include "system/SignalWatcher.h"

#include <QtTest>

#include <csignal>

#include <winsock2.h>

#include <windows.h>
#include <wininet.h>

class WindowsPlatformTest : public QObject
{
    Q_OBJECT
private slots:
    // The child is told to stay hidden and gets no console window (the test child reports
    // its start as bits: 1 show style given, 2 it is SW_HIDE, 4 no console window).
    void childIsStartedHidden()
    {
        QtPlatform platform;
        QCOMPARE(runProcessAndWait(
                     platform,
                     {QStringLiteral(BRINDLEWOOD_TEST_CHILD), {QStringLiteral("startup-report")}}),
                 1 | 2 | 4);
    }

    // The connected state is read from and written to the internet library's global record:
    // whatever the library answers, the platform answers, and going online works from the
    // state the library is in.
    void connectedStateIsTheInternetLibrarys()
    {
        INTERNET_CONNECTED_INFO info = {};
        DWORD length = sizeof info;
        const bool readable
            = InternetQueryOptionA(nullptr, INTERNET_OPTION_CONNECTED_STATE, &info, &length);

        QtPlatform platform;
        quint32 state = 0xdead, flags = 0xdead;
        QCOMPARE(platform.queryConnectedState(state, flags), readable);
        QCOMPARE(state, quint32(info.dwConnectedState));
        QCOMPARE(flags, quint32(info.dwFlags));
        QCOMPARE(isOffline(platform), !(info.dwConnectedState & INTERNET_STATE_CONNECTED));
        // Asking for the connected state leaves the library connected, and says so.
        QVERIFY(goOnline(platform));
        QVERIFY(platform.queryConnectedState(state, flags));
        QVERIFY(state & INTERNET_STATE_CONNECTED);
    }

    // Ctrl+C in the console reaches the watcher as SIGINT, and its socket wakes the fetch loop.
    void consoleInterruptIsNotedAsSigint()
    {
        // A console of the test's own, so the event reaches nobody else (not the test runner).
        FreeConsole();
        if (!AllocConsole())
            QSKIP("no console of its own to send the event in");
        SignalWatcher watcher;
        QVERIFY(watcher.wakeDescriptor() >= 0);
        QCOMPARE(watcher.received(), 0);
        if (!GenerateConsoleCtrlEvent(CTRL_C_EVENT, 0))
            QSKIP("this system does not deliver console events");
        fd_set readable;
        FD_ZERO(&readable);
        FD_SET(SOCKET(watcher.wakeDescriptor()), &readable);
        timeval tenSeconds {10, 0};
        QCOMPARE(select(0, &readable, nullptr, nullptr, &tenSeconds), 1);
        QCOMPARE(watcher.received(), SIGINT);
        // It stays the answer once taken.
        QCOMPARE(watcher.received(), SIGINT);
    }
};

QTEST_GUILESS_MAIN(WindowsPlatformTest)
#include "tst_WindowsPlatform.moc"
