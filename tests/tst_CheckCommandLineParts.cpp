// The pieces behind brindlewood-check's checking mode: the fetch list that hands links to the
// fetch tool, results put back in input order, and the progress bar's line.
#include "cli/BatchChecker.h"
#include "cli/CurlConfig.h"
#include "cli/OrderedOutput.h"
#include "cli/ProgressBar.h"
#include "support/TestFiles.h"

#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>

class CheckCommandLinePartsTest : public QObject
{
    Q_OBJECT

private slots:
    void fetchListHandsTheToolEveryLinkUnchanged_data()
    {
        QTest::addColumn<QString>("link");
        QTest::newRow("quote then options") << u"http://a/\" -o /tmp/x --url \"http://b/"_qs;
        QTest::newRow("backslashes") << u"http://a/\\\\\\\"\\n\\"_qs;
        QTest::newRow("tab, CR, vertical tab, form feed") << u"http://a/\tb\rc\vd\fe"_qs;
        QTest::newRow("line feed") << u"http://a/\nurl = \"http://b/\""_qs;
        QTest::newRow("comment sign and spaces") << u"  # http://a/ b  "_qs;
        QTest::newRow("option words") << u"-o"_qs;
        QTest::newRow("range and braces") << u"http://a/[1-100000]{x,y}"_qs;
        QTest::newRow("not ASCII") << u"http://例え.テスト/watch?v=’é"_qs;
        QTest::newRow("control characters") << u"http://a/\u0001\u001f\u007f"_qs;
        QTest::newRow("empty") << QString();
    }
    void fetchListHandsTheToolEveryLinkUnchanged()
    {
        // The real tool reads the list and reports each address as it understood it; no
        // protocol is allowed, so nothing is fetched.
        QFETCH(QString, link);
        const QString curl = QStandardPaths::findExecutable(QStringLiteral("curl"));
        if (curl.isEmpty())
            QSKIP("curl is not installed");
        QTemporaryDir dir;
        const QString list
            = TestFiles::write(dir.filePath(QStringLiteral("list.conf")),
                               CurlConfig::transferList(
                                   {{link, dir.filePath(QStringLiteral("page \"1\".html"))},
                                    {u"second"_qs, dir.filePath(QStringLiteral("page-2.html"))}}));
        QProcess tool;
        tool.start(curl,
                   {"-q", "--proto", "-all", "--globoff", "--silent", "--write-out", "%{url}<end>",
                    "--config", list});
        QVERIFY(tool.waitForFinished());
        QCOMPARE(QString::fromUtf8(tool.readAllStandardOutput()), link + u"<end>second<end>"_qs);
    }

    void linkThatCannotBeOneArgumentIsRefused_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("passes");
        QTest::newRow("ordinary") << u"http://a/"_qs << true;
        QTest::newRow("NUL inside") << u"http://a/\u0000b"_qs << false;
        QTest::newRow("longest that fits") << QString(128 * 1024 - 1, u'a') << true;
        QTest::newRow("one byte over") << QString(128 * 1024, u'a') << false;
        QTest::newRow("over in UTF-8 bytes only") << QString(50 * 1024, u'é') << true;
        QTest::newRow("three-byte characters over") << QString(44 * 1024, u'’') << false;
    }
    void linkThatCannotBeOneArgumentIsRefused()
    {
        QFETCH(QString, link);
        QFETCH(bool, passes);
        QCOMPARE(CurlConfig::canPassAsOneArgument(link), passes);
    }

    void toolThatCannotStartCallsNoLinkUnavailable()
    {
        // Filing every link as "URL unavailable" would tell a script that all of them are
        // dead; the checker says the tool failed instead.
        QTemporaryDir work;
        BatchFetchSetup setup;
        setup.toolPath = work.filePath(QStringLiteral("no such tool"));
        setup.workFolder = work.path();
        BatchChecker checker(setup, {u"http://a/"_qs, u"http://b/"_qs});
        int reported = 0;
        connect(&checker, &BatchChecker::linkChecked, this, [&] { ++reported; });
        QSignalSpy finished(&checker, &BatchChecker::finished);
        checker.start();
        QTRY_VERIFY(checker.isFinished());
        QCOMPARE(finished.size(), 1);
        QCOMPARE(reported, 0);
        QVERIFY(!checker.startError().isEmpty());
    }

    void resultsComeOutInInputOrder_data()
    {
        QTest::addColumn<QList<int>>("arrival");
        QTest::addColumn<QList<int>>("writtenAfterEach");
        QTest::newRow("in order") << QList<int> {0, 1, 2, 3} << QList<int> {1, 2, 3, 4};
        QTest::newRow("reversed") << QList<int> {3, 2, 1, 0} << QList<int> {0, 0, 0, 4};
        QTest::newRow("first last") << QList<int> {1, 2, 3, 0} << QList<int> {0, 0, 0, 4};
        QTest::newRow("gaps fill") << QList<int> {0, 2, 1, 3} << QList<int> {1, 1, 3, 4};
        QTest::newRow("repeated index ignored")
            << QList<int> {1, 1, 0, 2, 3} << QList<int> {0, 0, 2, 3, 4};
    }
    void resultsComeOutInInputOrder()
    {
        QFETCH(QList<int>, arrival);
        QFETCH(QList<int>, writtenAfterEach);
        QStringList written;
        OrderedOutput output(4, [&](const CheckedLink &checked) { written << checked.link; });
        for (qsizetype i = 0; i < arrival.size(); ++i) {
            CheckedLink checked;
            checked.link = QString::number(arrival[i]);
            output.add(arrival[i], checked);
            QCOMPARE(output.written(), writtenAfterEach[i]);
        }
        QCOMPARE(written, (QStringList {"0", "1", "2", "3"}));
        QVERIFY(output.complete());
    }

    void progressLineShowsCountsRateAndTimeLeft_data()
    {
        QTest::addColumn<int>("done");
        QTest::addColumn<int>("valid");
        QTest::addColumn<int>("elapsedMs");
        QTest::addColumn<QString>("line");
        const auto row = [](const char *name, int done, int valid, int ms, const char *line) {
            QTest::newRow(name) << done << valid << ms << QString::fromUtf8(line);
        };
        row("start", 0, 0, 0,
            "[------------------------] 0/400  valid 0  invalid 0  0.0 links/s  -:-- left");
        row("quarter", 100, 90, 4000,
            "[######------------------] 100/400  valid 90  invalid 10  25.0 links/s  0:12 left");
        row("over a minute left", 3, 3, 2000,
            "[------------------------] 3/400  valid 3  invalid 0  1.5 links/s  4:25 left");
        row("done", 400, 1, 10000,
            "[########################] 400/400  valid 1  invalid 399  40.0 links/s  0:00 left");
    }
    void progressLineShowsCountsRateAndTimeLeft()
    {
        QFETCH(int, done);
        QFETCH(int, valid);
        QFETCH(int, elapsedMs);
        QFETCH(QString, line);
        QCOMPARE(progressLine({done, 400, valid, done - valid, elapsedMs}), line);
    }
};

QTEST_GUILESS_MAIN(CheckCommandLinePartsTest)
#include "tst_CheckCommandLineParts.moc"
