// The window's fetch (the embedded curl with the arguments made from the fetch policy) and the
// shell tool's fetch (libcurl set up from the same policy) make the same request and keep the
// same limits: the same user agent and cookie reach the server, the same redirect chains are
// followed or refused, and the same pages are too large.
#include "CheckToolRun.h"
#include "core/FetchCommand.h"
#include "core/FetchTool.h"
#include "fixture/FixtureServerProcess.h"

#include <QTemporaryDir>

class FetchAgreementTest : public QObject
{
    Q_OBJECT

    std::optional<FixtureServerProcess> m_server;
    QTemporaryDir m_dir;
    FetchTool::DeployedFetchTool m_tool;

    // Whether the window's fetch tool brings back a page for link.
    bool windowGetsAPage(const QString &link)
    {
        const QString page = m_dir.filePath("page.html");
        QFile::remove(page);
        QProcess curl;
        curl.setProcessEnvironment(FetchCommand::fetchEnvironment(m_tool.toolPath));
        curl.start(m_tool.toolPath, FetchCommand::fetchArguments(link, page));
        curl.waitForFinished(60'000);
        return curl.exitCode() == 0 && QFileInfo(page).size() > 0;
    }
    // Whether the shell tool's fetch brings back a page it can judge.
    bool shellGetsAPage(const QString &link)
    {
        const QString links = m_dir.filePath("links.txt");
        QFile file(links);
        file.open(QIODevice::WriteOnly | QIODevice::Truncate);
        file.write(link.toUtf8() + '\n');
        file.close();
        const CheckToolOutcome outcome
            = runCheckTool(m_dir.path(), {"--json", "--retries", "0", links});
        return !outcome.out.contains("\"verdict\":\"unknown\"");
    }

private slots:
    void initTestCase()
    {
        m_server.emplace(QStringList {"--page-kb", "20"});
        QVERIFY(m_server->isRunning());
        m_tool = FetchTool::deployFetchToolTo(m_dir.path());
    }

    void theArgumentsSayWhatThePolicySays()
    {
        const FetchCommand::FetchPolicy policy = FetchCommand::fetchPolicy();
        const QStringList options = FetchCommand::fetchOptions();
        QCOMPARE(options.first(), u"-q"_qs); // no ~/.curlrc, before anything else
        const auto valueOf = [&](const char *option) {
            const qsizetype at = options.indexOf(QLatin1String(option));
            return at >= 0 ? options.value(at + 1) : QString();
        };
        QVERIFY(options.contains(u"-L"_qs) == policy.followRedirects);
        QCOMPARE(valueOf("--max-redirs"), QString::number(policy.maxRedirects));
        QCOMPARE(valueOf("--user-agent"), policy.userAgent);
        QCOMPARE(valueOf("--cookie"), policy.cookie);
        QCOMPARE(valueOf("--proto"), u'=' + policy.protocols.join(u','));
        QCOMPARE(valueOf("--proto-redir"), u'=' + policy.protocols.join(u','));
        QCOMPARE(valueOf("--connect-timeout"), QString::number(policy.connectTimeoutSeconds));
        QCOMPARE(valueOf("--max-time"), QString::number(policy.maxTimeSeconds));
        QCOMPARE(valueOf("--max-filesize"), QString::number(policy.maxPageBytes));
    }

    void bothFetchesSendTheSameRequest()
    {
        const qsizetype before = m_server->requests().size();
        QVERIFY(windowGetsAPage(m_server->url("/watch?v=ok&by=window")));
        QVERIFY(shellGetsAPage(m_server->url("/watch?v=ok&by=shell")));
        const auto requests = m_server->requests().mid(before);
        QCOMPARE(requests.size(), 2);
        QCOMPARE(requests[0].userAgent, requests[1].userAgent);
        QCOMPARE(requests[0].cookie, requests[1].cookie);
        QCOMPARE(requests[1].userAgent, QLatin1String(FetchCommand::UserAgent));
    }

    void bothFetchesKeepTheSameLimits_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<bool>("page");
        QTest::newRow("redirects up to the limit") << u"/hop/50/watch?v=ok"_qs << true;
        QTest::newRow("one redirect too many") << u"/hop/51/watch?v=ok"_qs << false;
        QTest::newRow("redirect to file:") << u"/to-file"_qs << false;
        QTest::newRow("declared over 64 MiB") << u"/watch?v=huge"_qs << false;
    }
    void bothFetchesKeepTheSameLimits()
    {
        QFETCH(QString, path);
        QFETCH(bool, page);
        QCOMPARE(windowGetsAPage(m_server->url(path)), page);
        QCOMPARE(shellGetsAPage(m_server->url(path)), page);
    }
};

QTEST_GUILESS_MAIN(FetchAgreementTest)
#include "tst_FetchAgreement.moc"
