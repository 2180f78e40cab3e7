// The one definition of a fetch: its fixed options in full, the certificate file it is given,
// and which links can be handed to the fetch tool as one argument exactly as they are.
#include "core/FetchCommand.h"

#include <QtTest>

class FetchCommandTest : public QObject
{
    Q_OBJECT
private slots:
    // Every option in its place: a dropped, added or reordered option changes what is fetched.
    void fetchArgumentsAreTheFixedListThenOutputAndLink()
    {
        const QString link = QStringLiteral("-o /tmp/x https://a.example/watch?v=[1-2]");
        const QStringList expected {
            "-q",
            "-L",
            "--fail",
            "--max-redirs",
            "50",
            "--user-agent",
            "Mozilla/5.0 (Macintosh; Intel Mac OS X 10_10_3) AppleWebKit/537.36 (KHTML, like "
            "Gecko) Chrome/80.0.1111.11 Safari/537.36 Firefox/74.0",
            "--cookie",
            "SOCS=CAI",
            "--globoff",
            "--proto",
            "=http,https",
            "--proto-redir",
            "=http,https",
            "--connect-timeout",
            "30",
            "--max-time",
            "120",
            "--max-filesize",
            "67108864",
            "--output",
            "/tmp/t/message.txt",
            "--url",
            link,
        };
        QCOMPARE(FetchCommand::fetchArguments(link, "/tmp/t/message.txt"), expected);
        QCOMPARE(FetchCommand::fetchOptions(), expected.first(expected.size() - 4));
    }

    // The tool is told where its certificate file lies (Debian's curl does not look beside
    // itself), so https links can be checked; everything else of the environment is kept.
    void fetchGetsTheCertificateFileBesideTheTool()
    {
        const QString tool = QStringLiteral("/run/user/7/brindlewood-a1B2c3/curl.exe");
        const ProcessStart fetch = FetchCommand::fetchProcess(tool, "https://a.example/", "/o");
        QCOMPARE(fetch.program, tool);
        QCOMPARE(fetch.arguments, FetchCommand::fetchArguments("https://a.example/", "/o"));
        // Spelt as the system spells paths: the fetch tool reads it as it is.
        QCOMPARE(fetch.environment.value("CURL_CA_BUNDLE"),
                 QDir::toNativeSeparators(u"/run/user/7/brindlewood-a1B2c3/curl-ca-bundle.crt"_qs));
        QProcessEnvironment rest = fetch.environment;
        rest.remove("CURL_CA_BUNDLE");
        QProcessEnvironment own = QProcessEnvironment::systemEnvironment();
        own.remove("CURL_CA_BUNDLE");
        QCOMPARE(rest.toStringList(), own.toStringList());
    }

    void fetchableLinks_data()
    {
        QTest::addColumn<QString>("link");
        QTest::addColumn<bool>("fetchable");
        const QString start = QStringLiteral("https://a.example/watch?v=");
        QTest::newRow("plain") << start + "x" << true;
        QTest::newRow("empty") << QString() << true;
        QTest::newRow("blanks, quotes and dashes") << "-o \"x\" 'y'" << true;
        QTest::newRow("surrogate pair") << start + u"\U0001F600"_qs << true;
        QTest::newRow("lone high surrogate") << start + QChar(0xD83D) << false;
        QTest::newRow("lone low surrogate") << QChar(0xDE00) + start << false;
        QTest::newRow("pair in wrong order") << start + QChar(0xDE00) + QChar(0xD83D) << false;
        QTest::newRow("NUL") << start + QChar(u'\0') + "x" << false;
        QTest::newRow("longest that fits")
            << start + QString(FetchCommand::LongestLinkBytes - start.size(), u'a') << true;
        QTest::newRow("one byte too long")
            << start + QString(FetchCommand::LongestLinkBytes - start.size() + 1, u'a') << false;
        // The limit counts UTF-8 bytes: 'é' takes two.
        QTest::newRow("too long in UTF-8 bytes")
            << QString(FetchCommand::LongestLinkBytes / 2 + 1, u'\u00e9') << false;
        QTest::newRow("256 KiB") << QString(256 * 1024, u'a') << false;
    }
    void fetchableLinks()
    {
        QFETCH(QString, link);
        QFETCH(bool, fetchable);
        QCOMPARE(FetchCommand::isFetchableLink(link), fetchable);
    }
};

QTEST_GUILESS_MAIN(FetchCommandTest)
#include "tst_FetchCommand.moc"
