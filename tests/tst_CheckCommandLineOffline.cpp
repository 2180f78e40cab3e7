// brindlewood-check without the network: --page verdicts, --dry-run links, their JSON form,
// unreadable files, usage errors, help and version, through the real executable.
#include "CheckToolRun.h"
#include "support/TestFiles.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringEncoder>
#include <QTemporaryDir>

namespace {

const QByteArray ValidPage = "<html>\n<script>var ytInitialPlayerResponse = "
                             "{\"playabilityStatus\":{\"status\":\"OK\",\"playableInEmbed\":true}"
                             "};</script>\n";
// The reason ends in a blank (no subreason), and holds a tab and a control character.
const QByteArray InvalidPage = "{\"playabilityStatus\":{\"status\":\"LOGIN_REQUIRED\",\"reason\":"
                               "\"Sign in to confirm you\xE2\x80\x99re\tof age\x01\","
                               "\"messages\":[]}}\r\n";
const QString InvalidReason = u"Sign in to confirm you’re\tof age\u0001 "_qs;
// The site limiting us rather than judging the video: nothing is known of it.
const QByteArray BotCheckPage = "{\"playabilityStatus\":{\"status\":\"LOGIN_REQUIRED\",\"reason\":"
                                "\"Sign in to confirm you\xE2\x80\x99re not a bot\",\"x\":1}}\n";
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
    CheckToolOutcome check(const QStringList &arguments, const QByteArray &input = {})
    {
        return runCheckTool(m_dir.path(), arguments, input);
    }

private slots:
    void pagePrintsOneVerdictPerFileInOrder()
    {
#ifdef Q_OS_WIN // where a file name holds no tab and no quote
        const char *oddName = "in valid 'odd'.html";
#else
        const char *oddName = "in valid\t\"odd\".html";
#endif
        const QStringList pages = {file(oddName, InvalidPage), file("valid.html", ValidPage),
                                   file("unavailable.html", UnavailablePage)};
        // Each line names its file; tabs and other control characters in a field are shown as
        // escapes, so the fields stay apart. Any invalid page makes the exit status 1.
        const CheckToolOutcome outcome = check(QStringList {"--page"} + pages);
        QCOMPARE(outcome.exitCode, 1);
        const auto shown = [](QString text) {
            return text.replace(u"\t"_qs, u"\\t"_qs).replace(u"\x01"_qs, u"\\x01"_qs);
        };
        QCOMPARE(QString::fromUtf8(outcome.out),
                 shown(pages[0]) + "\tinvalid\t" + shown(InvalidReason) + "\n" + pages[1]
                     + "\tvalid\n" + pages[2] + "\tunknown\tno playability status on the page\n");
        QCOMPARE(outcome.err, QByteArray());
        QCOMPARE(check({"--page", pages[1]}).exitCode, 0);
        QCOMPARE(check({"--page", "--no-progress", "--quiet", pages[1], pages[2]}).exitCode, 3);
#ifndef Q_OS_WIN // where standard input has no name
        // Standard input given by its name is read once, like a file.
        const CheckToolOutcome piped = check({"--page", "/dev/stdin"}, ValidPage);
        QCOMPARE(piped.out, QByteArray("/dev/stdin\tvalid\n"));
        QCOMPARE(check({"--dry-run", "/dev/stdin"}, "a\nb\n").out, QByteArray("a\nb\n"));
#endif
        const CheckToolOutcome botCheck = check({"--page", file("bot.html", BotCheckPage)});
        QCOMPARE(botCheck.out, (m_dir.filePath("bot.html") + "\tunknown\tbot check\n").toUtf8());
        QCOMPARE(botCheck.exitCode, 3);

        // JSON keeps the strings exact; control characters are escaped, not written.
        const CheckToolOutcome json = check(QStringList {"--json", "--page"} + pages);
        QCOMPARE(json.exitCode, 1);
        QVERIFY(!json.out.contains('\x01') && !json.out.contains('\t'));
        const QList<QJsonObject> objects = jsonLines(json.out);
        QCOMPARE(objects.size(), 3);
        const QStringList verdicts = {"invalid", "valid", "unknown"};
        const QStringList reasons = {InvalidReason, "", "no playability status on the page"};
        for (int i = 0; i < 3; ++i) {
            QCOMPARE(objects[i].value("file").toString(), pages[i]);
            QCOMPARE(objects[i].value("verdict").toString(), verdicts[i]);
            QCOMPARE(objects[i].value("reason").toString(), reasons[i]);
        }
    }

    void unreadableFileIsReportedWhileTheOthersArePrinted()
    {
        const QString missing = m_dir.filePath("missing page.html");
        const QString impossible = TestFiles::impossiblePath(m_dir.path());
        const CheckToolOutcome outcome
            = check({"--page", file("valid.html", ValidPage), missing, impossible, m_dir.path(),
                     file("unavailable.html", UnavailablePage)});
        QCOMPARE(outcome.exitCode, 2);
        QCOMPARE(outcome.out,
                 (file("valid.html", ValidPage) + "\tvalid\n"
                  + file("unavailable.html", UnavailablePage)
                  + "\tunknown\tno playability status on the page\n")
                     .toUtf8());
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
        const QString first = file(
            "first.txt",
            "\xFF\xFE" + QByteArray(utf16.encode(u"https://a/é  \r\n   \r\n\r\n\tb\r\n"_qs)));
        const QString second = file("second.txt",
                                    "\xEF\xBB\xBF"
                                    "c\nd\x02\n");
        // A file that cannot be read is named in one line, even with a line break in its
        // name, and the others still print.
        const CheckToolOutcome outcome
            = check({"--dry-run", first, m_dir.filePath("missing\nlinks.txt"), second,
                     file("third.txt", "日本\r\n \r\n")});
        QCOMPARE(outcome.exitCode, 2);
        QCOMPARE(outcome.err.count('\n'), 1);
        QVERIFY(outcome.err.endsWith('\n') && outcome.err.contains("missing links.txt"));
        QCOMPARE(QString::fromUtf8(outcome.out), u"https://a/é  \n\\tb\nc\nd\\x02\n日本\n"_qs);

        const CheckToolOutcome json = check({"--dry-run", "--json", first, second});
        QCOMPARE(json.exitCode, 0);
        QStringList links;
        for (const QJsonObject &object : jsonLines(json.out)) {
            QCOMPARE(object.keys(), QStringList {"link"});
            links << object.value("link").toString();
        }
        QCOMPARE(links, (QStringList {u"https://a/é  "_qs, "\tb", "c", u"d\u0002"_qs}));

        // "-" is standard input, read as UTF-8 with the same blank-line rule.
        const CheckToolOutcome piped = check({"--dry-run", "-", second}, "x\r\n  \r\ny é\n");
        QCOMPARE(piped.exitCode, 0);
        QCOMPARE(QString::fromUtf8(piped.out), u"x\ny é\nc\nd\\x02\n"_qs);
    }

    void usageErrorsExitWithTwo_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::newRow("nothing") << QStringList {};
        QTest::newRow("no files") << QStringList {"--page"};
        QTest::newRow("both modes") << QStringList {"--page", "--dry-run", "a.txt"};
        QTest::newRow("unknown option") << QStringList {"--bogus", "--page", "a.txt"};
        QTest::newRow("jobs zero") << QStringList {"--jobs", "0", "a.txt"};
        QTest::newRow("jobs over 64") << QStringList {"--jobs", "65", "a.txt"};
        QTest::newRow("jobs not a number") << QStringList {"--jobs", "many", "a.txt"};
        QTest::newRow("jobs with --page") << QStringList {"--page", "--jobs", "2", "a.txt"};
        QTest::newRow("valid-out with --dry-run")
            << QStringList {"--dry-run", "--valid-out", "v.txt", "a.txt"};
        QTest::newRow("no link file") << QStringList {"--jobs", "2"};
        QTest::newRow("empty valid-out") << QStringList {"--valid-out", "", "a.txt"};
        QTest::newRow("valid-out and invalid-out one file")
            << QStringList {"--valid-out", "r.txt", "--invalid-out", "./r.txt", "a.txt"};
        QTest::newRow("unknown-out and cache one file")
            << QStringList {"--unknown-out", "/tmp/../tmp/u.txt", "--cache", "/tmp/u.txt", "a.txt"};
        QTest::newRow("retries negative") << QStringList {"--retries", "-1", "a.txt"};
        QTest::newRow("rate zero") << QStringList {"--rate", "0", "a.txt"};
        QTest::newRow("max-wait not a number") << QStringList {"--max-wait", "soon", "a.txt"};
        QTest::newRow("max-age garbage") << QStringList {"--max-age", "7 days", "a.txt"};
        QTest::newRow("unknown format") << QStringList {"--format", "xml", "a.txt"};
        QTest::newRow("json and csv") << QStringList {"--json", "--format", "csv", "a.txt"};
        QTest::newRow("csv with --page") << QStringList {"--page", "--format", "csv", "a.html"};
        QTest::newRow("normalize with --page") << QStringList {"--page", "--normalize", "a.html"};
    }
    void usageErrorsExitWithTwo()
    {
        QFETCH(QStringList, arguments);
        const CheckToolOutcome outcome = check(arguments);
        QCOMPARE(outcome.exitCode, 2);
        QCOMPARE(outcome.out, QByteArray());
        QVERIFY(!outcome.err.isEmpty());
    }

    void helpAndVersionExitWithZero()
    {
        const CheckToolOutcome help = check({"--help"});
        QCOMPARE(help.exitCode, 0);
        for (const char *option : {"--page", "--dry-run", "--json", "--jobs", "--retries",
                                   "--max-wait", "--rate", "--window-verdicts", "--unknown-out"})
            QVERIFY2(help.out.contains(option), option);
        // The widest number of jobs is accepted (there is nothing to fetch).
        const CheckToolOutcome jobs = check({"--jobs", "64", "--dry-run", "-"}, "");
        QCOMPARE(jobs.exitCode, 2); // --jobs applies to checking only
        QCOMPARE(check({"--jobs", "64", file("blank.txt", "  \r\n")}).exitCode, 0);
        const CheckToolOutcome version = check({"--version"});
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QByteArray("brindlewood-check " BRINDLEWOOD_VERSION "\n"));
    }
};

QTEST_GUILESS_MAIN(CheckCommandLineOfflineTest)
#include "tst_CheckCommandLineOffline.moc"
