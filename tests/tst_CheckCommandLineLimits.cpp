// brindlewood-check against a site that limits, fails and stalls: retries that honour
// Retry-After and stop at --max-wait, pacing that keeps one limited host from holding back
// another, the three exit statuses, --window-verdicts, and output and interrupts that leave
// result files as they were.
#include "CheckToolRun.h"
#include "engine/ParallelFetcher.h"
#include "fixture/FixtureServerProcess.h"
#include "support/TestFiles.h"

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <csignal>

Q_DECLARE_METATYPE(FetchResult::Failure)

class CheckCommandLineLimitsTest : public QObject
{
    Q_OBJECT

    std::optional<FixtureServerProcess> m_server; // on 127.0.0.1, no limit
    QTemporaryDir m_dir;
    qsizetype m_requestsBefore = 0;

    QString url(const QString &pathAndQuery) const { return m_server->url(pathAndQuery); }
    QString linkFile(const QStringList &lines)
    {
        static int count = 0;
        return TestFiles::write(m_dir.filePath(u"links-%1.txt"_qs.arg(++count)),
                                lines.join("\n").toUtf8() + "\n");
    }
    CheckToolOutcome check(const QStringList &arguments)
    {
        return runCheckTool(m_dir.filePath("temp"), arguments);
    }
    qsizetype newRequests() const { return m_server->requests().size() - m_requestsBefore; }

private slots:
    void initTestCase()
    {
        QVERIFY(QDir().mkpath(m_dir.filePath("temp")));
        m_server.emplace(QStringList {"--page-kb", "50"});
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
    }
    void init() { m_requestsBefore = m_server->requests().size(); }
    // Pages live in memory only: nothing is ever written to the temporary folder.
    void cleanup() { QCOMPARE(leftIn(m_dir.filePath("temp")), QStringList()); }

    void rateLimitedServerGetsEveryLinkJudged()
    {
        FixtureServerProcess limited({"--page-kb", "50", "--rate", "20"});
        QVERIFY(limited.isRunning());
        QStringList links;
        for (int i = 0; i < 60; ++i)
            links << limited.url(u"/watch?v=ok&n=%1"_qs.arg(i));
        const CheckToolOutcome outcome = check({"--json", "--jobs", "8", linkFile(links)});
        QCOMPARE(outcome.exitCode, 0);
        const QList<QJsonObject> objects = jsonLines(outcome.out);
        QCOMPARE(objects.size(), 60);
        int retried = 0;
        for (const QJsonObject &object : objects) {
            QCOMPARE(object.value("verdict").toString(), u"valid"_qs);
            retried += object.value("attempts").toInt() > 1;
        }
        QVERIFY(retried > 0); // the server did say 429 at first
        QVERIFY(retried < 20); // and the pace settled below its limit
    }

    void retriesHonourRetryAfterAndStopAtMaxWait()
    {
        const QString flaky = url("/flaky/after-two/1/watch?v=ok&retry-after=2");
        const QString tooLong = url("/status/429?retry-after=300");
        const QString busy = url("/status/503?n=1");
        QElapsedTimer clock;
        clock.start();
        CheckToolOutcome outcome = check({"--json", "--retries", "2", linkFile({flaky})});
        QList<QJsonObject> objects = jsonLines(outcome.out);
        QCOMPARE(objects.size(), 1);
        QCOMPARE(objects[0].value("verdict").toString(), u"valid"_qs);
        QCOMPARE(objects[0].value("attempts").toInt(), 2);
        QVERIFY(clock.elapsed() >= 1900); // it waited as the server asked
        QCOMPARE(outcome.exitCode, 0);

        // A wait beyond --max-wait decides the link at once.
        outcome = check({"--json", "--max-wait", "3", linkFile({url("/watch?v=ok"), tooLong})});
        objects = jsonLines(outcome.out);
        QCOMPARE(objects.size(), 2);
        QCOMPARE(objects[1].value("verdict").toString(), u"unknown"_qs);
        QCOMPARE(objects[1].value("reason").toString(),
                 u"HTTP 429 (rate limited), asked to wait 300 s"_qs);
        QCOMPARE(objects[1].value("http").toInt(), 429);
        QCOMPARE(objects[1].value("attempts").toInt(), 1);
        QCOMPARE(outcome.exitCode, 3);

        // Without Retry-After the retries back off; their number is the user's.
        outcome = check({"--json", "--retries", "1", linkFile({busy})});
        QCOMPARE(jsonLines(outcome.out).value(0).value("attempts").toInt(), 2);
        QCOMPARE(jsonLines(outcome.out).value(0).value("reason").toString(),
                 u"HTTP 503 (service unavailable)"_qs);
        outcome = check({"--json", "--retries", "0", linkFile({busy})});
        QCOMPARE(jsonLines(outcome.out).value(0).value("attempts").toInt(), 1);
        QCOMPARE(outcome.exitCode, 3);
    }

    void limitedHostDoesNotHoldBackAnother()
    {
        // 127.0.0.2 lets one request a second through and asks for 5 s beyond that.
        FixtureServerProcess limited(
            {"--address", "127.0.0.2", "--rate", "1", "--retry-after", "5", "--page-kb", "20"});
        QVERIFY2(limited.isRunning(), qPrintable(limited.errorString()));
        QStringList links;
        for (int i = 0; i < 12; ++i)
            links << url(u"/watch?v=ok&free=%1"_qs.arg(i));
        for (int i = 0; i < 2; ++i)
            links << limited.url(u"/watch?v=ok&slow=%1"_qs.arg(i));
        QProcess process;
        process.setProcessEnvironment(checkToolEnvironment(m_dir.filePath("temp")));
        // The output goes into a file read as it grows, not through a pipe: QProcess under Wine
        // has lost the last line written to a pipe just before the tool ended (13 of 14 came).
        const QString outPath = m_dir.filePath("limited-out.txt");
        process.setStandardOutputFile(outPath);
        process.setStandardErrorFile(QProcess::nullDevice());
        QElapsedTimer clock;
        clock.start();
        process.start(qEnvironmentVariable("BRINDLEWOOD_CHECK"), {"--jobs", "8", linkFile(links)});
        QVERIFY(process.waitForStarted());
        const auto written = [&outPath] {
            QFile file(outPath);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        };
        QByteArray out;
        while ((out = written()).count('\n') < 12 && process.state() == QProcess::Running)
            ChildEnd::waitFor(process, 200);
        // The free host's links are all out before the limited host's wait is over: its retry
        // has not gone out yet (an order of events, not a time, so a slow machine cannot fail it).
        QCOMPARE(out.count("valid\t" + url("/watch?v=ok&free=").toUtf8()), 12);
        QVERIFY2(limited.requests().size() <= 2, qPrintable(limited.requestTargets().join(u' ')));
        QVERIFY(ChildEnd::waitFor(process, 60'000));
        out = written();
        QCOMPARE(out.count('\n'), 14);
        QCOMPARE(process.exitCode(), 0);
        QVERIFY(clock.elapsed() >= 5000);
    }

    // A site that stops trusting us (the fixture's block and allowance modes): the host is
    // paused as a whole and probed, one notice says so and one that it answers again, and a
    // host that blocks for longer than --max-wait leaves its links unknown without fetching
    // them. The counts hold however fast the machine is.
    void blockingSiteIsPausedProbedAndComeBackTo_data()
    {
        QTest::addColumn<QStringList>("serverOptions");
        QTest::addColumn<QStringList>("checkOptions");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("outcomes"); // count per first field of the output
        QTest::addColumn<int>("mostBlockedRequests");
        QTest::addColumn<int>("mostBlocks");
        QTest::addColumn<QByteArray>("err");
        const QByteArray paused = "brindlewood-check: 127.0.0.3 asks to confirm we are not a "
                                  "bot; pausing, next try in 2 s\n";
        const QByteArray again = "brindlewood-check: 127.0.0.3 answers again\n";
        QTest::newRow("a block from the 6th request")
            << QStringList {"--block-from", "6", "--block-seconds", "3", "--block-extend-ms", "100"}
            << QStringList {"--jobs", "4"} << 0 << QByteArray("20 valid") << 4 + 1 + 2 << 1
            << paused + again;
        QTest::newRow("quietly") << QStringList {"--block-from",      "6",  "--block-seconds", "3",
                                                 "--block-extend-ms", "100"}
                                 << QStringList {"--jobs", "4", "--quiet"} << 0
                                 << QByteArray("20 valid") << 4 + 1 + 2 << 1 << QByteArray();
        QTest::newRow("an allowance of 10 and 5 a second")
            << QStringList {"--allowance", "10", "--allowance-rate", "5", "--block-seconds", "2"}
            << QStringList {"--jobs", "4"} << 0 << QByteArray("20 valid") << 2 * (4 + 1 + 1) << 2
            << QByteArray();
        QTest::newRow("a block for good, past --max-wait")
            << QStringList {"--block-from", "1", "--block-seconds", "100000"}
            << QStringList {"--jobs", "4", "--max-wait", "3", "--summary"} << 3
            << QByteArray("20 unknown") << 4 + 1 + 2 + 1 << 1
            << paused
                + "brindlewood-check: 127.0.0.3 has blocked us for 3 s; its 20 links left are "
                  "unknown\n20 links: 0 valid, 0 invalid, 20 unknown in ";
    }
    void blockingSiteIsPausedProbedAndComeBackTo()
    {
        QFETCH(QStringList, serverOptions);
        QFETCH(QStringList, checkOptions);
        FixtureServerProcess site(serverOptions
                                  << QStringList {"--address", "127.0.0.3", "--page-kb", "20"});
        QVERIFY2(site.isRunning(), qPrintable(site.errorString()));
        QStringList links;
        for (int i = 0; i < 20; ++i)
            links << site.url(u"/watch?v=ok&n=%1"_qs.arg(i));
        const CheckToolOutcome outcome = check(checkOptions << linkFile(links));
        QTEST(outcome.exitCode, "exitCode");

        QMap<QByteArray, int> counts;
        for (const QByteArray &line : outcome.out.split('\n')) {
            if (!line.isEmpty())
                ++counts[line.split('\t').value(0)];
        }
        QByteArray outcomes;
        for (auto it = counts.cbegin(); it != counts.cend(); ++it)
            outcomes += QByteArray::number(it.value()) + ' ' + it.key();
        QTEST(outcomes, "outcomes");

        QFETCH(int, mostBlockedRequests);
        QFETCH(int, mostBlocks);
        QSet<int> blocks;
        int blocked = 0;
        for (const FixtureServerProcess::Request &request : site.requests()) {
            blocked += request.block > 0;
            if (request.block > 0)
                blocks << request.block;
        }
        QVERIFY2(blocked <= mostBlockedRequests, QByteArray::number(blocked).constData());
        QVERIFY(!blocks.isEmpty() && blocks.size() <= mostBlocks);

        QFETCH(QByteArray, err);
        if (QTest::currentDataTag() == QByteArrayView("an allowance of 10 and 5 a second"))
            return; // how often it blocks depends on the machine's pace
        QVERIFY2(outcome.err.startsWith(err), outcome.err.constData());
        if (!checkOptions.contains("--summary")) {
            QCOMPARE(outcome.err, err);
            return;
        }
        // Untried links are not fetched; the summary counts the unknown ones by cause.
        QCOMPARE(site.requests().size(), outcome.out.count("\tbot check\n"));
        QCOMPARE(outcome.out.count("\tsite blocking: not tried\n"), 20 - site.requests().size());
        QVERIFY2(outcome.err.contains(
                     u"\n  %1 site blocking: not tried\n"_qs.arg(20 - site.requests().size(), 2)
                         .toUtf8()),
                 outcome.err.constData());
    }

    // A fetch that runs into its time limit after the answer began is a page too slow, which
    // is not asked for again; one that had no answer yet is no answer, which is.
    void stalledFetchesTellTooSlowFromNoAnswer_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<FetchResult::Failure>("failure");
        QTest::addColumn<int>("http");
        QTest::newRow("a page that trickles")
            << u"/watch?v=trickle"_qs << FetchResult::Failure::TooSlow << 200;
        QTest::newRow("no answer in time")
            << u"/watch?v=ok&delay=5000"_qs << FetchResult::Failure::NoAnswer << 0;
        QTest::newRow("a redirect to an address that stays silent")
            << u"/to-silent"_qs << FetchResult::Failure::NoAnswer << 302;
    }
    void stalledFetchesTellTooSlowFromNoAnswer()
    {
        QFETCH(QString, path);
        ParallelFetcher fetcher(FetchCommand::fetchPolicy());
        fetcher.start(7, url(path), 1000);
        QList<std::pair<quint64, FetchResult>> ended;
        while (ended.isEmpty())
            ended = fetcher.wait(200);
        QCOMPARE(ended.size(), 1);
        QCOMPARE(ended[0].first, quint64(7));
        QFETCH(FetchResult::Failure, failure);
        QCOMPARE(ended[0].second.failure, failure);
        QTEST(ended[0].second.httpStatus, "http");
        // Only the fetch that had no answer is asked again.
        QCOMPARE(judgeFetch(ended[0].second).mayPass, failure == FetchResult::Failure::NoAnswer);
    }

    void exitStatusTellsValidInvalidAndUnknownApart_data()
    {
        QTest::addColumn<QStringList>("paths");
        QTest::addColumn<int>("exitCode");
        QTest::newRow("all valid") << QStringList {"/watch?v=ok"} << 0;
        QTest::newRow("unknown only") << QStringList {"/watch?v=ok", "/watch?v=no-marker"} << 3;
        QTest::newRow("invalid and unknown")
            << QStringList {"/watch?v=error", "/watch?v=bot-check"} << 1;
        QTest::newRow("none") << QStringList {} << 0;
    }
    void exitStatusTellsValidInvalidAndUnknownApart()
    {
        QFETCH(QStringList, paths);
        QStringList links;
        for (const QString &path : paths)
            links << url(path);
        QTEST(check({"--retries", "0", linkFile(links)}).exitCode, "exitCode");
    }

    void windowVerdictsFileUnknownLinksAsTheWindowDoes()
    {
        const QStringList links = {url("/watch?v=ok"), url("/watch?v=no-marker"),
                                   url("/watch?v=try-later"), url("/status/503?w=1")};
        const QString unknownOut = m_dir.filePath("unknown.txt");
        CheckToolOutcome outcome
            = check({"--retries", "0", "--unknown-out", unknownOut, linkFile(links)});
        QCOMPARE(outcome.exitCode, 3);
        QCOMPARE(outcome.out,
                 "valid\t" + links[0].toUtf8() + "\nunknown\t" + links[1].toUtf8()
                     + "\tno playability status on the page\nunknown\t" + links[2].toUtf8()
                     + "\ttry again later\nunknown\t" + links[3].toUtf8()
                     + "\tHTTP 503 (service unavailable)\n");
        QCOMPARE(TestFiles::read(unknownOut),
                 (links[1] + "\r\n" + links[2] + "\r\n" + links[3] + "\r\n").toUtf8());

        outcome = check({"--retries", "0", "--window-verdicts", linkFile(links)});
        QCOMPARE(outcome.exitCode, 1);
        QCOMPARE(outcome.out,
                 "valid\t" + links[0].toUtf8() + "\ninvalid\t" + links[1].toUtf8()
                     + "\tURL unavailable\ninvalid\t" + links[2].toUtf8()
                     + "\tThis content isn\xE2\x80\x99t available \ninvalid\t" + links[3].toUtf8()
                     + "\tURL unavailable\n");

        // Links the shell tool judges by its own cause are unavailable to the window too, and a
        // page's reason is the window's text, byte for byte, in JSON as well.
        const QStringList judged = {url("/watch?v=404"), url("/status/410"), url("/watch?v=ok"),
                                    "ftp://x/y",         "-o planted",       url("/watch?v=error")};
        outcome = check({"--retries", "0", "--window-verdicts", "--json", linkFile(judged)});
        QCOMPARE(outcome.exitCode, 1);
        const QList<QJsonObject> objects = jsonLines(outcome.out);
        QCOMPARE(objects.size(), judged.size());
        const QStringList reasons
            = {"URL unavailable",
               "URL unavailable",
               "",
               "URL unavailable",
               "URL unavailable",
               "Video unavailable ::This video has been removed by the uploader"};
        for (qsizetype i = 0; i < judged.size(); ++i) {
            QCOMPARE(objects[i].value("verdict").toString(),
                     reasons[i].isEmpty() ? u"valid"_qs : u"invalid"_qs);
            QCOMPARE(objects[i].value("reason").toString(), reasons[i]);
        }
    }

    void jsonKeepsHostileLinksExact()
    {
        const QStringList links
            = {url("/watch?v=ok&q=\"quoted\"\\back"), url("/watch?v=ok&c=\x01\x1b[31m\x7f"),
               u"https://\u65e5\u672c.example/\t\"x\""_qs};
        const CheckToolOutcome outcome = check({"--json", "--retries", "0", linkFile(links)});
        const QList<QJsonObject> objects = jsonLines(outcome.out);
        QCOMPARE(objects.size(), 3);
        for (int i = 0; i < 3; ++i)
            QCOMPARE(objects[i].value("link").toString(), links[i]);
        QVERIFY(!outcome.out.contains('\x1b') && !outcome.out.contains('\x01'));
    }

    void closedOutputEndsTheRunWithoutFurtherFetches()
    {
        QStringList links;
        for (int i = 0; i < 40; ++i)
            links << url(u"/watch?v=ok&delay=%1&n=%2"_qs.arg(i ? 200 : 0).arg(i));
#ifdef Q_OS_WIN
        // No shell: the checker's output goes straight into a child that reads one line.
        QProcess checker, head;
        checker.setProcessEnvironment(checkToolEnvironment(m_dir.filePath("temp")));
        checker.setStandardOutputProcess(&head);
        head.start(QStringLiteral(BRINDLEWOOD_TEST_CHILD), {"first-line"});
        checker.start(qEnvironmentVariable("BRINDLEWOOD_CHECK"), {"--jobs", "1", linkFile(links)});
        QVERIFY(ChildEnd::waitFor(head, 60'000));
        QVERIFY(ChildEnd::waitFor(checker, 60'000));
        QCOMPARE(checker.exitCode(), 141);
        QCOMPARE(head.readAllStandardOutput().count('\n'), 1);
        QVERIFY(newRequests() < 10);
#else
        QProcess shell;
        shell.setProcessEnvironment(checkToolEnvironment(m_dir.filePath("temp")));
        shell.start("bash",
                    {"-c", "\"$0\" --jobs 1 \"$1\" | head -n 1; exit ${PIPESTATUS[0]}",
                     qEnvironmentVariable("BRINDLEWOOD_CHECK"), linkFile(links)});
        QVERIFY(ChildEnd::waitFor(shell, 60'000));
        QCOMPARE(shell.exitCode(), 141);
        QCOMPARE(shell.readAllStandardOutput().count('\n'), 1);
        QVERIFY(newRequests() < 10);
#endif
    }

    void fullOutputIsAnErrorThatSaysWhy()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows has no full device (/dev/full)");
#else
        QProcess process;
        process.setProcessEnvironment(checkToolEnvironment(m_dir.filePath("temp")));
        process.setStandardOutputFile("/dev/full");
        process.start(qEnvironmentVariable("BRINDLEWOOD_CHECK"), {linkFile({url("/watch?v=ok")})});
        QVERIFY(ChildEnd::waitFor(process, 30'000));
        QCOMPARE(process.exitCode(), 2);
        QVERIFY2(process.readAllStandardError().contains("No space left on device"), "reason");
#endif
    }

    void interruptedRunLeavesResultFilesAsTheyWere()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows has no POSIX signals to send to a program");
#else
        const QString validOut = TestFiles::write(m_dir.filePath("kept.txt"), "older\r\n");
        QProcess process;
        process.setProcessEnvironment(checkToolEnvironment(m_dir.filePath("temp")));
        process.start(qEnvironmentVariable("BRINDLEWOOD_CHECK"),
                      {"--valid-out", validOut,
                       linkFile({url("/watch?v=ok"), url("/watch?v=ok&delay=60000")})});
        QVERIFY(process.waitForStarted());
        QTRY_COMPARE_WITH_TIMEOUT(newRequests(), 2, 30'000);
        ::kill(pid_t(process.processId()), SIGHUP);
        QVERIFY(ChildEnd::waitFor(process, 30'000));
        QCOMPARE(process.exitCode(), 128 + SIGHUP);
        QCOMPARE(TestFiles::read(validOut), QByteArray("older\r\n"));
        QCOMPARE(QDir(m_dir.path()).entryList({"kept.txt*"}, QDir::Files | QDir::Hidden),
                 QStringList {"kept.txt"});
#endif
    }
};

QTEST_GUILESS_MAIN(CheckCommandLineLimitsTest)
#include "tst_CheckCommandLineLimits.moc"
