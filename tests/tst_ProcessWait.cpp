// Running a child to its end while the window keeps processing its events (a slow fetch
// keeping the window live is shown by the check run's tests).
#include "core/FetchCommand.h"
#include "core/FetchTool.h"
#include "fixture/FixtureServerProcess.h"
#include "gui/ProcessWait.h"
#include "support/ScriptedPlatform.h"

#include <QTemporaryDir>
#include <QtTest>

class ProcessWaitTest : public QObject
{
    Q_OBJECT
private slots:
    void missingProgramFailsAtOnceWithoutWaiting()
    {
        ScriptedPlatform platform;
        QVERIFY(runProcessAndWait(platform, {"/nonexistent/no-such-program", {}}) < 0);
        QCOMPARE(platform.processEventsCalls, 0);
        QVERIFY(platform.boxes.isEmpty());
    }

    void returnsTheExitCodeOfTheEndedChild_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("success") << QStringList {"exit", "0"} << 0;
        QTest::newRow("failure") << QStringList {"exit", "7"} << 7;
        // 259 is what Windows answers for a child still running; one that ends with it has
        // ended all the same. Linux keeps only the low byte.
#ifdef Q_OS_WIN
        QTest::newRow("code like still-running") << QStringList {"exit", "259"} << 259;
#else
        QTest::newRow("code like still-running") << QStringList {"exit", "259"} << 259 % 256;
#endif
        // Output nobody reads must not hold the child up or fill memory.
        QTest::newRow("chatty child") << QStringList {"chatty", "3"} << 3;
    }
    void returnsTheExitCodeOfTheEndedChild()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        ScriptedPlatform platform;
        QCOMPARE(runProcessAndWait(platform, {QStringLiteral(BRINDLEWOOD_TEST_CHILD), arguments}),
                 exitCode);
        // At least one full pass: events, pause, events.
        QVERIFY(platform.processEventsCalls >= 2);
        QCOMPARE(platform.processEventsCalls % 2, 0);
    }

    // The window closed while its fetch ran: the child is stopped at the next poll, and has
    // ended by the time the wait returns. (A program of the test's own system: under Wine a
    // Linux program would be one that Windows' calls can neither end nor wait for.)
    void childIsStoppedWhenItsOwnerAsks()
    {
        QTest::failOnWarning(QRegularExpression("Destroyed while process .* is still running"));
        ScriptedPlatform platform;
        QCOMPARE(runProcessAndWait(platform,
                                   {QStringLiteral(BRINDLEWOOD_TEST_CHILD), {"sleep", "600"}}, {},
                                   [&] { return platform.processEventsCalls >= 4; }),
                 ProcessStoppedOnRequest);
        QCOMPARE(platform.processEventsCalls, 4);
    }

    void childIsStoppedOnceItsOutputPassesTheLimit()
    {
        FixtureServerProcess server;
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        QTemporaryDir folder;
        const auto tool = FetchTool::deployFetchToolTo(folder.path());
        const QString page = folder.filePath("message.txt");
        ProcessStart start = FetchCommand::fetchProcess(tool.toolPath, server.url("/"), page);
        // Should the limit fail, keep the damage small: later options win in curl.
        start.arguments << "--limit-rate"
                        << "20M"
                        << "--max-time"
                        << "10";

        ScriptedPlatform platform;
        QCOMPARE(runProcessAndWait(platform, start, {page, 2 * 1024 * 1024}),
                 ProcessStoppedAtLimit);
        // Stopped soon after the limit, far below what the fetch's own limits would allow.
        QVERIFY(QFileInfo(page).size() > 2 * 1024 * 1024);
        QVERIFY(QFileInfo(page).size() < FetchCommand::MaxPageBytes);
    }
};

QTEST_GUILESS_MAIN(ProcessWaitTest)
#include "tst_ProcessWait.moc"
