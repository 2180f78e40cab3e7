// The window's fetch (the embedded curl with the arguments made from the fetch policy) and the
// shell tool's fetch (libcurl set up from the same policy) make the same request and keep the
// same limits: the same user agent and cookie reach the server, the same redirect chains are
// followed or refused, and the same pages are too large.
#include "CheckToolRun.h"
#include "core/FetchCommand.h"
#include "core/FetchTool.h"
#include "fixture/FixtureServerProcess.h"

#include <QTemporaryDir>

namespace {
const QString AgreedUserAgent
    = u"Mozilla/5.0 (Macintosh; Intel Mac OS X 10_10_3) AppleWebKit/537.36 (KHTML, like Gecko) "
      "Chrome/80.0.1111.11 Safari/537.36 Firefox/74.0"_qs;
} // namespace

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
        ChildEnd::waitFor(curl, 60'000);
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

    // Written out here rather than read from the policy, so that a change to the policy shows.
    void bothFetchesAreMadeFromTheAgreedRequestAndLimits()
    {
        const FetchCommand::FetchPolicy policy {.userAgent = AgreedUserAgent,
                                                .cookie = u"SOCS=CAI"_qs,
                                                .protocols = {u"http"_qs, u"https"_qs},
                                                .followRedirects = true,
                                                .failOnHttpError = true,
                                                .maxRedirects = 50,
                                                .connectTimeoutSeconds = 30,
                                                .maxTimeSeconds = 120,
                                                .maxPageBytes = 64 * 1024 * 1024};
        QCOMPARE(FetchCommand::fetchPolicy(), policy);
        // "-q" first: no ~/.curlrc, before anything else.
        QCOMPARE(FetchCommand::fetchOptions().join(u'|'),
                 "-q|-L|--fail|--max-redirs|50|--user-agent|" + AgreedUserAgent
                     + "|--cookie|SOCS=CAI|--globoff|--proto|=http,https|--proto-redir|"
                       "=http,https|--connect-timeout|30|--max-time|120|--max-filesize|67108864");
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
        QCOMPARE(requests[1].userAgent, AgreedUserAgent);
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
