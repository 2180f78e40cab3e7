// brindlewood-check without the network: --page verdicts, --dry-run links, their JSON form,
// unreadable files and usage errors, through the real executable.
#include "support/TestFiles.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

namespace {
struct Outcome
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Outcome runCheck(const QStringList &arguments)
{
    QProcess process;
    process.start(qEnvironmentVariable("BRINDLEWOOD_CHECK"), arguments);
    if (!process.waitForFinished(60'000))
        qFatal("brindlewood-check did not finish");
    return {process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
            process.readAllStandardOutput(), process.readAllStandardError()};
}

QList<QJsonObject> jsonLines(const QByteArray &out)
{
    QList<QJsonObject> objects;
    QByteArrayList lines = out.split('\n');
    if (!lines.isEmpty() && lines.constLast().isEmpty())
        lines.removeLast();
    for (const QByteArray &line : std::as_const(lines)) {
        QJsonParseError error;
        const QJsonDocument document = QJsonDocument::fromJson(line, &error);
        if (error.error != QJsonParseError::NoError || !document.isObject())
            qWarning("not a JSON object: %s", line.constData());
        objects << document.object();
    }
    return objects;
}

const QByteArray ValidPage = "<html>\n<script>var ytInitialPlayerResponse = "
                             "{\"playabilityStatus\":{\"status\":\"OK\",\"playableInEmbed\":true}"
                             "};</script>\n";
// The reason ends in a blank (no subreason), and holds a tab and a control character.
const QByteArray InvalidPage
    = "{\"playabilityStatus\":{\"status\":\"LOGIN_REQUIRED\",\"reason\":"
      "\"Sign in to confirm you\xE2\x80\x99re\tnot a bot\x01\",\"messages\":[]}}\r\n";
const QString InvalidReason = u"Sign in to confirm you’re\tnot a bot\u0001 "_qs;
const QByteArray UnavailablePage = "<html>no status here</html>\n";
} // namespace

class CheckCommandLineOfflineTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString file(const QString &name, const QByteArray &bytes)
    {
        return TestFiles::write(m_dir.filePath(name), bytes);
    }

private slots:
    void initTestCase() { QVERIFY(!qEnvironmentVariable("BRINDLEWOOD_CHECK").isEmpty()); }

    void pagePrintsOneVerdictPerFileInOrder()
    {
        const Outcome outcome
            = runCheck({"--page", file("invalid.html", InvalidPage), file("valid.html", ValidPage),
                        file("unavailable.html", UnavailablePage)});
        QCOMPARE(outcome.exitCode, 0);
        QCOMPARE(QString::fromUtf8(outcome.out),
                 u"invalid\t"_qs + InvalidReason + u"\nvalid\nunavailable\n"_qs);
        QCOMPARE(outcome.err, QByteArray());
    }

    void pageJsonKeepsTheReasonExactly()
    {
        const QString invalid = file("in valid\t\"odd\".html", InvalidPage);
        const QString valid = file("valid.html", ValidPage);
        const QString unavailable = file("unavailable.html", UnavailablePage);
        const Outcome outcome = runCheck({"--json", "--page", invalid, valid, unavailable});
        QCOMPARE(outcome.exitCode, 0);
        QCOMPARE(outcome.out.count('\n'), 3); // control characters are escaped, not written

        const QList<QJsonObject> objects = jsonLines(outcome.out);
        QCOMPARE(objects.size(), 3);
        QCOMPARE(objects[0].value("file").toString(), invalid);
        QCOMPARE(objects[0].value("verdict").toString(), u"invalid"_qs);
        QCOMPARE(objects[0].value("reason").toString(), InvalidReason);
        QCOMPARE(objects[1].value("file").toString(), valid);
        QCOMPARE(objects[1].value("verdict").toString(), u"valid"_qs);
        QCOMPARE(objects[1].value("reason").toString(), QString());
        QCOMPARE(objects[2].value("verdict").toString(), u"unavailable"_qs);
        QVERIFY(!outcome.out.contains('\x01'));
        QVERIFY(!outcome.out.contains('\t'));
    }

    void unreadableFileIsReportedWhileTheOthersArePrinted()
    {
        const QString missing = m_dir.filePath("missing page.html");
        const QString impossible = TestFiles::impossiblePath(m_dir.path());
        const Outcome outcome
            = runCheck({"--page", file("valid.html", ValidPage), missing, impossible, m_dir.path(),
                        file("unavailable.html", UnavailablePage)});
        QCOMPARE(outcome.exitCode, 2);
        QCOMPARE(outcome.out, QByteArray("valid\nunavailable\n"));
        const QList<QByteArray> messages = outcome.err.trimmed().split('\n');
        QCOMPARE(messages.size(), 3);
        QVERIFY2(messages[0].contains(missing.toUtf8()), messages[0].constData());
        QVERIFY2(messages[1].contains(impossible.toUtf8()), messages[1].constData());
        QVERIFY2(messages[2].contains(m_dir.path().toUtf8()), messages[2].constData());
    }

    void dryRunPrintsTheLinksLoadingWouldAdd()
    {
        // UTF-16 with CR LF, then UTF-8 with a mark and LF endings, then mark-less text.
        QStringEncoder utf16(QStringConverter::Utf16LE);
        const QByteArray first
            = "\xFF\xFE" + QByteArray(utf16.encode(u"https://a/é  \r\n   \r\n\r\n\tb\r\n"_qs));
        const QByteArray second = "\xEF\xBB\xBF"
                                  "c\nd\x02\n";
        const QByteArray third = "日本\r\n \r\n";
        const Outcome outcome = runCheck({"--dry-run", file("first.txt", first),
                                          file("second.txt", second), file("third.txt", third)});
        QCOMPARE(outcome.exitCode, 0);
        QCOMPARE(QString::fromUtf8(outcome.out), u"https://a/é  \n\tb\nc\nd\u0002\n日本\n"_qs);

        const Outcome json = runCheck(
            {"--dry-run", "--json", m_dir.filePath("first.txt"), m_dir.filePath("second.txt")});
        QCOMPARE(json.exitCode, 0);
        QStringList links;
        for (const QJsonObject &object : jsonLines(json.out)) {
            QCOMPARE(object.keys(), QStringList {"link"});
            links << object.value("link").toString();
        }
        QCOMPARE(links, (QStringList {u"https://a/é  "_qs, "\tb", "c", u"d\u0002"_qs}));
    }

    void dryRunReportsAnUnreadableLinkFile()
    {
        // Even a name with a line break in it gives a one-line message.
        const QString missing = m_dir.filePath("missing\nlinks.txt");
        const Outcome outcome = runCheck({"--dry-run", missing, file("links.txt", "x\r\n")});
        QCOMPARE(outcome.exitCode, 2);
        QCOMPARE(outcome.out, QByteArray("x\n"));
        QCOMPARE(outcome.err.count('\n'), 1);
        QVERIFY(outcome.err.endsWith('\n'));
        QVERIFY(outcome.err.contains("missing links.txt"));
    }

    void usageErrorsExitWithTwo_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("nothing") << QStringList {};
        QTest::newRow("no files") << QStringList {"--page"};
        QTest::newRow("both modes") << QStringList {"--page", "--dry-run", "a.txt"};
        QTest::newRow("unknown option") << QStringList {"--bogus", "--page", "a.txt"};
        QTest::newRow("json without a mode") << QStringList {"--json", "a.txt"};
    }
    void usageErrorsExitWithTwo()
    {
        QFETCH(QStringList, arguments);
        const Outcome outcome = runCheck(arguments);
        QCOMPARE(outcome.exitCode, 2);
        QCOMPARE(outcome.out, QByteArray());
        QVERIFY(!outcome.err.isEmpty());
    }

    void helpAndVersionExitWithZero()
    {
        const Outcome help = runCheck({"--help"});
        QCOMPARE(help.exitCode, 0);
        QVERIFY(help.out.contains("--page"));
        QVERIFY(help.out.contains("--dry-run"));
        QVERIFY(help.out.contains("--json"));

        const Outcome version = runCheck({"--version"});
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QByteArray("brindlewood-check " BRINDLEWOOD_VERSION "\n"));
    }
};

QTEST_GUILESS_MAIN(CheckCommandLineOfflineTest)
#include "tst_CheckCommandLineOffline.moc"
