// brindlewood-check LINKFILE... end to end: the real executable, its embedded curl and the
// fixture web server; exact output, result files, exit statuses and hostile links.
#include "CheckToolRun.h"
#include "fixture/FixtureServerProcess.h"
#include "support/TestFiles.h"

#include <QTemporaryDir>
#include <QtTest>

class CheckCommandLineCheckingTest : public QObject
{
    Q_OBJECT

    FixtureServerProcess *m_server = nullptr;
    QTemporaryDir *m_dir = nullptr;
    QString m_temp;

    QString url(const QString &pathAndQuery) const { return m_server->url(pathAndQuery); }
    QString linkFile(const QByteArray &bytes)
    {
        static int count = 0;
        return TestFiles::write(m_dir->filePath(QStringLiteral("links-%1.txt").arg(++count)),
                                bytes);
    }
    QString linkFile(const QStringList &lines)
    {
        return linkFile(lines.join(QStringLiteral("\r\n")).toUtf8() + "\r\n");
    }
    CheckToolOutcome check(const QStringList &arguments, const QByteArray &input = {})
    {
        return runCheckTool(m_temp, arguments, input);
    }

    // Requests the server received since the current case began.
    QList<FixtureServerProcess::Request> newRequests() const
    {
        return m_server->requests().mid(m_requestsBefore);
    }
    QStringList newTargets() const
    {
        QStringList targets;
        for (const FixtureServerProcess::Request &request : newRequests())
            targets << request.target;
        return targets;
    }

    qsizetype m_requestsBefore = 0;

private slots:
    void initTestCase()
    {
        QVERIFY(!qEnvironmentVariable("BRINDLEWOOD_CHECK").isEmpty());
        m_server = new FixtureServerProcess({QStringLiteral("--page-kb"), QStringLiteral("300")});
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
        m_dir = new QTemporaryDir;
    }

    void cleanupTestCase()
    {
        delete m_server;
        delete m_dir;
    }

    void init()
    {
        static int count = 0;
        m_temp = m_dir->filePath(QStringLiteral("temp-%1").arg(++count));
        QVERIFY(QDir().mkpath(m_temp));
        m_requestsBefore = m_server->requests().size();
    }

    void cleanup()
    {
        // Whatever a case did, its temporary folder is left as it was found.
        QCOMPARE(leftIn(m_temp), QStringList());
    }

    void mixedListPrintsOneLineEachInInputOrder()
    {
        const QString file = linkFile(QStringList {
            url("/watch?v=ok"), url("/watch?v=error"), "   ", url("/watch?v=login"),
            url("/watch?v=comma-reason"), url("/watch?v=curly-quote"), url("/watch?v=no-marker"),
            url("/watch?v=empty"), url("/watch?v=404"), "", url("/hop/3/watch?v=ok"),
            url("/watch?v=consent"), url("/watch?v=login-noreason"), url("/watch?v=unplayable"),
            url("/watch?v=live-offline"), url("/watch?v=ok")});
        const CheckToolOutcome outcome = check({"--no-progress", file});

        const QString expected = u"valid\t"_qs + url("/watch?v=ok") + u"\n"_qs + u"invalid\t"_qs
            + url("/watch?v=error")
            + u"\tVideo unavailable ::This video has been removed by the uploader\n"_qs
            + u"invalid\t"_qs + url("/watch?v=login")
            + u"\tSign in to confirm your age ::This video may be inappropriate for some users.\n"_qs
            + u"invalid\t"_qs + url("/watch?v=comma-reason")
            + u"\tThis video is no longer available due to a copyright claim by Fixture Films "
              u"::Sorry  about that.\n"_qs
            + u"invalid\t"_qs + url("/watch?v=curly-quote")
            + u"\tThis video isn’t available anymore ::It’s gone\n"_qs + u"invalid\t"_qs
            + url("/watch?v=no-marker") + u"\tURL unavailable\n"_qs + u"invalid\t"_qs
            + url("/watch?v=empty") + u"\tURL unavailable\n"_qs + u"invalid\t"_qs
            + url("/watch?v=404") + u"\tURL unavailable\n"_qs + u"valid\t"_qs
            + url("/hop/3/watch?v=ok") + u"\n"_qs + u"valid\t"_qs + url("/watch?v=consent")
            + u"\n"_qs + u"invalid\t"_qs + url("/watch?v=login-noreason")
            + u"\t::This video may be inappropriate for some users. \n"_qs + u"invalid\t"_qs
            + url("/watch?v=unplayable")
            + u"\tVideo unavailable ::The uploader has not made this video available in your "
              u"country\n"_qs
            + u"invalid\t"_qs + url("/watch?v=live-offline")
            + u"\tThis live event will begin in a few moments. \n"_qs + u"valid\t"_qs
            + url("/watch?v=ok") + u"\n"_qs;
        QCOMPARE(QString::fromUtf8(outcome.out), expected);
        QCOMPARE(outcome.exitCode, 1);
        QCOMPARE(outcome.err, QByteArray());
    }

    void everyRequestCarriesTheWindowsUserAgentAndConsentCookie()
    {
        const CheckToolOutcome outcome = check(
            {linkFile(QStringList {url("/watch?v=echo-user-agent"), url("/watch?v=consent")})});
        const QByteArray agent
            = "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_10_3) AppleWebKit/537.36 (KHTML, like "
              "Gecko) Chrome/80.0.1111.11 Safari/537.36 Firefox/74.0";
        QCOMPARE(outcome.out.split('\n').value(0),
                 "invalid\t" + url("/watch?v=echo-user-agent").toUtf8() + '\t'
                     + QUrl::toPercentEncoding(QString::fromLatin1(agent)) + ' ');
        QCOMPARE(outcome.out.split('\n').value(1), "valid\t" + url("/watch?v=consent").toUtf8());
        const QList<FixtureServerProcess::Request> requests = newRequests();
        QCOMPARE(requests.size(), 2);
        for (const FixtureServerProcess::Request &request : requests) {
            QCOMPARE(request.userAgent, QString::fromLatin1(agent));
            QCOMPARE(request.cookie, u"SOCS=CAI"_qs);
        }
    }

    void allValidExitsWithZero()
    {
        const CheckToolOutcome outcome
            = check({linkFile(QStringList {url("/watch?v=ok"), url("/watch?v=slow")})});
        QCOMPARE(outcome.out,
                 "valid\t" + url("/watch?v=ok").toUtf8() + "\nvalid\t"
                     + url("/watch?v=slow").toUtf8() + "\n");
        QCOMPARE(outcome.exitCode, 0);
    }

    void emptyLinkFileChecksNothingAndExitsWithZero()
    {
        const CheckToolOutcome outcome = check({linkFile(QByteArray("  \r\n\r\n"))});
        QCOMPARE(outcome.out, QByteArray());
        QCOMPARE(outcome.exitCode, 0);
    }

    void jsonLineKeepsTheFieldOrderAndEscapes()
    {
        const CheckToolOutcome outcome
            = check({"--json",
                     linkFile(QStringList {url("/watch?v=ok"), url("/watch?v=404"),
                                           url("/watch?v=login")})});
        QCOMPARE(outcome.exitCode, 1);
        QCOMPARE(QString::fromUtf8(outcome.out),
                 u"{\"link\":\""_qs + url("/watch?v=ok")
                     + u"\",\"verdict\":\"valid\",\"reason\":\"\",\"status\":\"OK\"}\n"_qs
                     + u"{\"link\":\""_qs + url("/watch?v=404")
                     + u"\",\"verdict\":\"invalid\",\"reason\":\"URL unavailable\","
                       u"\"status\":null}\n"_qs
                     + u"{\"link\":\""_qs + url("/watch?v=login")
                     + u"\",\"verdict\":\"invalid\",\"reason\":\"Sign in to confirm your age "
                       u"::This video may be inappropriate for some users.\","
                       u"\"status\":\"LOGIN_REQUIRED\"}\n"_qs);
    }

    void resultFilesHoldTheLinksAsTheSaveButtonsWriteThem()
    {
        const QString validOut = m_dir->filePath(QStringLiteral("valid.txt"));
        const QString invalidOut = TestFiles::write(m_dir->filePath(QStringLiteral("invalid.txt")),
                                                    "an older, longer list that is replaced\r\n");
        const QString curly = url("/watch?v=curly-quote&t=é");
        const CheckToolOutcome outcome
            = check({"--valid-out", validOut, "--invalid-out", invalidOut,
                     linkFile(QStringList {url("/watch?v=ok"), curly, url("/watch?v=ok&n=2"),
                                           url("/watch?v=404")})});
        QCOMPARE(outcome.exitCode, 1);
        QCOMPARE(TestFiles::read(validOut),
                 url("/watch?v=ok").toUtf8() + "\r\n" + url("/watch?v=ok&n=2").toUtf8() + "\r\n");
        QCOMPARE(TestFiles::read(invalidOut),
                 curly.toUtf8() + "\r\n" + url("/watch?v=404").toUtf8() + "\r\n");
    }

    void emptyResultListGivesAnEmptyFile()
    {
        const QString invalidOut
            = TestFiles::write(m_dir->filePath(QStringLiteral("none.txt")), "old\r\n");
        const CheckToolOutcome outcome
            = check({"--invalid-out", invalidOut, linkFile(QStringList {url("/watch?v=ok")})});
        QCOMPARE(outcome.exitCode, 0);
        QVERIFY(QFileInfo::exists(invalidOut));
        QCOMPARE(TestFiles::read(invalidOut), QByteArray());
    }

    void fileErrorsExitWithTwoBeforeAnyFetch_data()
    {
        QTest::addColumn<QString>("option");
        QTest::newRow("missing link file") << QString();
        QTest::newRow("valid-out cannot be written") << u"--valid-out"_qs;
        QTest::newRow("invalid-out cannot be written") << u"--invalid-out"_qs;
    }
    void fileErrorsExitWithTwoBeforeAnyFetch()
    {
        QFETCH(QString, option);
        const QString links = linkFile(QStringList {url("/watch?v=ok")});
        QStringList arguments;
        if (option.isEmpty())
            arguments << links << m_dir->filePath(QStringLiteral("missing links.txt"));
        else
            arguments << option << TestFiles::impossiblePath(m_dir->path()) << links;
        const CheckToolOutcome outcome = check(arguments);
        QCOMPARE(outcome.exitCode, 2);
        QCOMPARE(outcome.out, QByteArray());
        QCOMPARE(outcome.err.count('\n'), 1);
        QCOMPARE(newTargets(), QStringList());
    }

    void usageErrorsExitWithTwo_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("jobs zero") << QStringList {"--jobs", "0", "a.txt"};
        QTest::newRow("jobs over 64") << QStringList {"--jobs", "65", "a.txt"};
        QTest::newRow("jobs not a number") << QStringList {"--jobs", "many", "a.txt"};
        QTest::newRow("jobs with --page") << QStringList {"--page", "--jobs", "2", "a.txt"};
        QTest::newRow("valid-out with --dry-run")
            << QStringList {"--dry-run", "--valid-out", "v.txt", "a.txt"};
        QTest::newRow("no link file") << QStringList {"--jobs", "2"};
    }
    void usageErrorsExitWithTwo()
    {
        QFETCH(QStringList, arguments);
        const CheckToolOutcome outcome = check(arguments);
        QCOMPARE(outcome.exitCode, 2);
        QCOMPARE(outcome.out, QByteArray());
        QVERIFY(!outcome.err.isEmpty());
    }

    void hostileLinkIsFetchedAtMostOnceExactlyAsTyped_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<QStringList>("targets"); // what the server may see, at most once
        const QString planted = m_dir->filePath(QStringLiteral("planted"));
        const QString page
            = TestFiles::write(m_dir->filePath(QStringLiteral("local page.html")),
                               "{\"playabilityStatus\":{\"status\":\"OK\",\"x\":1}}");
        QTest::newRow("quote then options") << url("/watch?v=ok\" -o ") + planted + u" --url \""_qs
                + url("/watch?v=ok") << QStringList {};
        QTest::newRow("-o then a path") << u"-o "_qs + planted << QStringList {};
        QTest::newRow("-o alone") << u"-o"_qs << QStringList {};
        QTest::newRow("range") << url("/[1-100000]") << QStringList {"/[1-100000]"};
        QTest::newRow("braces") << url("/{watch,x}") << QStringList {"/{watch,x}"};
        QTest::newRow("file address") << u"file://"_qs + page << QStringList {};
        QTest::newRow("redirect to a file address") << url("/to-file") << QStringList {"/to-file"};
        QTest::newRow("endless body") << url("/") << QStringList {"/"};
        QTest::newRow("declared too long") << url("/watch?v=huge") << QStringList {"/watch?v=huge"};
    }
    void hostileLinkIsFetchedAtMostOnceExactlyAsTyped()
    {
        QFETCH(QString, link);
        QFETCH(QStringList, targets);
        const CheckToolOutcome outcome = check({linkFile(QStringList {link})});
        QCOMPARE(QString::fromUtf8(outcome.out),
                 u"invalid\t"_qs + link + u"\tURL unavailable\n"_qs);
        QCOMPARE(outcome.exitCode, 1);
        const QStringList seen = newTargets();
        QVERIFY2(seen.isEmpty() || seen == targets, qPrintable(seen.join(u' ')));
        // Nothing was written beside the test's own files.
        QVERIFY(!QFileInfo::exists(m_dir->filePath(QStringLiteral("planted"))));
        QVERIFY(!QFileInfo::exists(QStringLiteral("planted")));
    }

    void temporaryFolderWithQuotesAndSpacesWorks()
    {
        // The page paths inside the fetch list carry the folder's name.
        const QString odd = m_dir->filePath(QStringLiteral("odd \"temp\" \\ folder\t#1"));
        QVERIFY(QDir().mkpath(odd));
        const CheckToolOutcome outcome = runCheckTool(
            odd, {linkFile(QStringList {url("/watch?v=ok"), url("/watch?v=error")})});
        QCOMPARE(outcome.out,
                 "valid\t" + url("/watch?v=ok").toUtf8() + "\ninvalid\t"
                     + url("/watch?v=error").toUtf8()
                     + "\tVideo unavailable ::This video has been removed by the uploader\n");
        QCOMPARE(leftIn(odd), QStringList());
    }

    void linkBeyondTheLongestArgumentIsNotFetched()
    {
        const QString longLink = url("/watch?v=ok&pad=") + QString(128 * 1024, u'a');
        const CheckToolOutcome outcome
            = check({linkFile(QStringList {longLink, url("/watch?v=ok")})});
        QCOMPARE(QString::fromUtf8(outcome.out),
                 u"invalid\t"_qs + longLink + u"\tURL unavailable\nvalid\t"_qs + url("/watch?v=ok")
                     + u"\n"_qs);
        QCOMPARE(newTargets(), QStringList {"/watch?v=ok"});
    }
};

QTEST_GUILESS_MAIN(CheckCommandLineCheckingTest)
#include "tst_CheckCommandLineChecking.moc"
