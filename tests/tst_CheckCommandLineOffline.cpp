// brindlewood-check without the network: --page verdicts (on the site's real recorded pages
// too), --dry-run links, their JSON form, unreadable files, usage errors, help and version,
// through the real executable.
#include "CheckToolRun.h"
#include "core/FetchCommand.h"
#include "core/PlayabilityVerdict.h"
#include "core/TextReader.h"
#include "support/TestFiles.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QStringEncoder>
#include <QTemporaryDir>

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace {
// What a link file a refused run must leave alone holds.
const QByteArray LinkFileText = "https://example.invalid/watch\n";

const QByteArray ValidPage = "<html>\n<script>var ytInitialPlayerResponse = "
                             "{\"playabilityStatus\":{\"status\":\"OK\",\"playableInEmbed\":true},"
                             "\"videoDetails\":{\"videoId\":\"x\",\"title\":\"Cat, \\\"meow\\\"\","
                             "\"lengthSeconds\":\"3725\",\"channelId\":\"UCx\",\"author\":\"Meor\"}"
                             "};</script>\n";
// The reason ends in a blank (no subreason), and holds a tab and a control character.
const QByteArray InvalidPage = "{\"playabilityStatus\":{\"status\":\"LOGIN_REQUIRED\",\"reason\":"
                               "\"Sign in to confirm you\xE2\x80\x99re\tof age\x01\","
                               "\"messages\":[]}}\r\n";
const QString InvalidReason = u"Sign in to confirm you’re\tof age\u0001"_qs;
// The window keeps the reason as its rule cuts it, with the blank that ends it.
const QString InvalidWindowReason = InvalidReason + u' ';
// The site limiting us rather than judging the video: nothing is known of it.
const QByteArray BotCheckPage = "{\"playabilityStatus\":{\"status\":\"LOGIN_REQUIRED\",\"reason\":"
                                "\"Sign in to confirm you\xE2\x80\x99re not a bot\",\"x\":1}}\n";
const QByteArray UnavailablePage = "<html>no status here</html>\n";

// The site's recorded pages, when this machine has them: named by BRINDLEWOOD_REAL_PAGES, or a
// folder shared/realpages beside the checkout or one of the folders above it. They are other
// projects' test files and are only read, never kept here.
QString realPagesFolder()
{
    const QString named = qEnvironmentVariable("BRINDLEWOOD_REAL_PAGES");
    if (!named.isEmpty())
        return named;
    QDir folder = QFileInfo(QStringLiteral(__FILE__)).absoluteDir();
    for (int up = 0; up < 4 && folder.cdUp(); ++up) {
        if (QFileInfo::exists(folder.filePath("shared/realpages/MANIFEST.tsv")))
            return folder.filePath("shared/realpages");
    }
    return {};
}

// One row of the recordings' MANIFEST.tsv.
struct RecordedPage
{
    QString file;
    QString status; // "(none)" for a page without a playability status
    QString reason; // alternatives separated by " || "; empty when the page has none
    bool limiting = false; // the site refusing the client, not judging the video
};

QList<RecordedPage> recordedPages(const QString &folder)
{
    QList<RecordedPage> pages;
    QList<QByteArray> lines = TestFiles::read(folder + "/MANIFEST.tsv").split('\n');
    const QList<QByteArray> header = lines.takeFirst().split('\t');
    const auto column = [&](const char *name) {
        return header.indexOf(QByteArray(name));
    };
    for (const QByteArray &line : std::as_const(lines)) {
        const QList<QByteArray> fields = line.split('\t');
        if (fields.size() < header.size())
            continue;
        pages.append(
            {QString::fromUtf8(fields[column("file")]), QString::fromUtf8(fields[column("status")]),
             QString::fromUtf8(fields[column("reason")]), fields[column("limiting")] == "yes"});
    }
    return pages;
}
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
        // A name that is not UTF-8 (Latin-1 "café") still opens its file.
        const QByteArray latin1 = QFile::encodeName(m_dir.path()) + "/caf\xE9.html";
        QCOMPARE(::link(QFile::encodeName(pages[1]).constData(), latin1.constData()), 0);
        QProcess shell;
        shell.start("sh",
                    {"-c", "exec \"$0\" --page \"$(printf '%s/caf\\351.html' \"$1\")\"",
                     qEnvironmentVariable("BRINDLEWOOD_CHECK"), m_dir.path()});
        QVERIFY(ChildEnd::waitFor(shell, 30'000));
        QCOMPARE(shell.readAllStandardError(), QByteArray());
        QVERIFY(shell.readAllStandardOutput().endsWith(".html\tvalid\n"));
        QCOMPARE(shell.exitCode(), 0);
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

    // --window-verdicts files pages as the window does, and CSV and Markdown have a file
    // column; every format says the same of each page.
    void pageReportsEveryFormatAndTheWindowsVerdicts()
    {
        const QStringList pages
            = {file("invalid.html", InvalidPage), file("valid.html", ValidPage),
               file("unavailable.html", UnavailablePage), file("bot,check.html", BotCheckPage)};
        const CheckToolOutcome window = check(QStringList {"--page", "--window-verdicts"} + pages);
        QCOMPARE(window.exitCode, 1);
        QCOMPARE(QString::fromUtf8(window.out),
                 pages[0] + "\tinvalid\t"
                     + QString(InvalidWindowReason)
                           .replace(u"\t"_qs, u"\\t"_qs)
                           .replace(u"\x01"_qs, u"\\x01"_qs)
                     + "\n" + pages[1] + "\tvalid\n" + pages[2] + "\tinvalid\tURL unavailable\n"
                     + pages[3] + u"\tinvalid\tSign in to confirm you’re not a bot \n"_qs);
        QCOMPARE(check({"--page", "--window-verdicts", pages[1]}).exitCode, 0);
        QCOMPARE(check({"--page", "--window-verdicts", pages[2]}).exitCode, 1);
        const QList<QJsonObject> json
            = jsonLines(check(QStringList {"--page", "--window-verdicts", "--json"} + pages).out);
        QCOMPARE(json.size(), 4);
        QCOMPARE(json[0].value("reason").toString(), InvalidWindowReason);
        QVERIFY(json[0].value("subreason").isNull() && !json[0].contains("title"));
        QCOMPARE(json[1].value("title").toString(), u"Cat, \"meow\""_qs);
        QCOMPARE(json[1].value("length_seconds").toInt(), 3725);

        const CheckToolOutcome csv = check(QStringList {"--page", "--format", "csv"} + pages);
        QCOMPARE(csv.exitCode, 1);
        const QString quotedBot = u"\""_qs + pages[3] + u"\""_qs;
        QCOMPARE(
            QString::fromUtf8(csv.out),
            "file,verdict,reason,status,subreason,cause,title,channel,channel_id,length_seconds\r\n"
                + pages[0] + ",invalid," + InvalidReason + ",LOGIN_REQUIRED,,,,,,\r\n" + pages[1]
                + ",valid,,OK,,,\"Cat, \"\"meow\"\"\",Meor,UCx,3725\r\n" + pages[2]
                + ",unknown,no playability status on the page,,,no playability status on "
                  "the page,,,,\r\n"
                + quotedBot
                + u",unknown,Sign in to confirm you’re not a bot,LOGIN_REQUIRED,,bot check,,,,\r\n"_qs);

        const CheckToolOutcome markdown
            = check(QStringList {"--page", "--format", "markdown"} + pages);
        QCOMPARE(markdown.exitCode, 1);
        const QString text = QString::fromUtf8(markdown.out);
        QVERIFY2(text.contains(u"## Valid (1)\n\n| File | Title | Channel | Length |\n"_qs),
                 qPrintable(text));
        QVERIFY2(text.contains(u"| Cat\\, \\\"meow\\\" | Meor | 1:02:05 |\n"_qs), qPrintable(text));
        QVERIFY2(text.contains(u"## Unknown (2)\n\n| File | Reason | Status | Title | Channel | "
                               u"Length |\n"_qs),
                 qPrintable(text));
        QVERIFY(text.contains(u"| bot check | `LOGIN_REQUIRED` |"_qs));
    }

    // The site's real pages of 2017 to 2025: every recorded status comes out, with the site's
    // own reason; --window-verdicts keeps the window's verdict byte for byte.
    void realPagesSayWhatTheSiteSaid()
    {
        const QString folder = realPagesFolder();
        if (folder.isEmpty())
            QSKIP("The recorded pages (shared/realpages beside the checkout, or "
                  "BRINDLEWOOD_REAL_PAGES) are not on this machine.");
        // Where the pages are named (as CI names them), their absence is a failure, not a skip.
        QVERIFY2(QFileInfo::exists(folder + "/MANIFEST.tsv"), qPrintable(folder));
        const QList<RecordedPage> recorded = recordedPages(folder);
        QVERIFY(recorded.size() >= 40);
        QStringList paths;
        for (const RecordedPage &page : recorded)
            paths << folder + u'/' + page.file;

        const CheckToolOutcome json = check(QStringList {"--page", "--json"} + paths);
        QCOMPARE(json.err, QByteArray());
        const QList<QJsonObject> objects = jsonLines(json.out);
        QCOMPARE(objects.size(), recorded.size());
        for (qsizetype i = 0; i < recorded.size(); ++i) {
            const RecordedPage &page = recorded[i];
            const QJsonObject &read = objects[i];
            const QString verdict = read.value("verdict").toString();
            const QByteArray where
                = page.file.toUtf8() + ": " + QJsonDocument(read).toJson(QJsonDocument::Compact);
            QCOMPARE(read.value("file").toString(), paths[i]);
            // What a few pages, escaped or not, playable or region-blocked, say of their video.
            const QHash<QString, QString> details {
                {"ytta-ok-2019-escaped.html", u"Surface Go Review - It’s Awesome|Dave Lee|316"_qs},
                {"pytube-geo.html", "Walking In The Air|AURORA - Topic|209"},
                {"np-members.player.json",
                 "Behind the Scenes at EGX 2019 - Exclusive Members Video!|Eurogamer|751"},
                {"ytdl-nonexistent.pbj.json", "||0"}};
            if (details.contains(page.file))
                QCOMPARE(read.value("title").toString() + u'|' + read.value("channel").toString()
                             + u'|' + QString::number(read.value("length_seconds").toInt()),
                         details.value(page.file));
            if (page.status == u"(none)") {
                QVERIFY2(read.value("status").isNull() && verdict != u"valid", where.constData());
                continue;
            }
            QVERIFY2(read.value("status").toString() == page.status, where.constData());
            const QString reason = read.value("reason").toString();
            const QStringList alternatives = page.reason.split(u" || "_qs);
            QVERIFY2(std::any_of(alternatives.begin(), alternatives.end(),
                                 [&](const QString &said) { return reason.contains(said); }),
                     where.constData());
            // The site refusing us judges nothing; a page that judges the video is decided.
            const QString expected = page.limiting ? u"unknown"_qs
                : page.status == u"OK"             ? u"valid"_qs
                                                   : u"invalid"_qs;
            QVERIFY2(verdict == expected, where.constData());
        }

        QString byTheWindow;
        for (const QString &path : std::as_const(paths)) {
            const PlayabilityVerdict verdict
                = verdictOfPage(TextReader::readWholeFile(path, FetchCommand::MaxPageBytes));
            byTheWindow += path + u'\t'
                + (verdict.kind == PlayabilityVerdict::Kind::Valid ? u"valid"_qs
                       : verdict.kind == PlayabilityVerdict::Kind::Invalid
                       ? u"invalid\t"_qs + verdict.reason
                       : u"invalid\tURL unavailable"_qs)
                + u'\n';
        }
        const CheckToolOutcome window = check(QStringList {"--page", "--window-verdicts"} + paths);
        QCOMPARE(QString::fromUtf8(window.out), byTheWindow);
        QCOMPARE(window.exitCode, 1);
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

    void datasetListSplitsIntoShardsThatCoverItOnce()
    {
        // An AudioSet-shaped list whose ids start with any character, one row torn by a quote
        // that runs 3 MB to a link, and JSON nested two million levels deep around a link.
        QByteArray list = "# YTID, start_seconds, end_seconds, positive_labels\n";
        QStringList ids;
        const QByteArray alphabet
            = "-_ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
        for (int i = 0; i < 300; ++i) {
            QByteArray id;
            for (int c = 0; c < 11; ++c)
                id += alphabet[(i * 7 + c * c * 13 + i / 64 * c) % 64];
            ids << QString::fromLatin1(id);
            list += id + ", 30.000, 40.000, \"/m/09x0r,/t/dd00088\"\r\n";
        }
        list += "TTTTTTTTTTT, 1, 2, \"" + QByteArray(3 << 20, 'x') + " youtu.be/UUUUUUUUUUU\n";
        ids << "TTTTTTTTTTT"
            << "UUUUUUUUUUU";
        const QString csv = file("segments.csv", list);
        const QString json
            = file("nested.json", QByteArray(1 << 21, '[') + "\"https://youtu.be/VVVVVVVVVVV\"");
        ids << "VVVVVVVVVVV";
        const auto idsOf = [](const QByteArray &out) {
            QStringList found;
            for (const QByteArray &line : out.split('\n'))
                if (!line.isEmpty())
                    found << QString::fromLatin1(line.right(11));
            return found;
        };

        const CheckToolOutcome whole = check({"--dry-run", "--extract", csv, json});
        QCOMPARE(whole.exitCode, 0);
        QCOMPARE(idsOf(whole.out), ids);
        QVERIFY2(whole.err.contains("segments.csv: skipped 1 row(s)"), whole.err.constData());
        QStringList fromShards;
        for (const char *shard : {"0/3", "1/3", "2/3"}) {
            const CheckToolOutcome part
                = check({"--dry-run", "--extract", "--shard", shard, csv, json});
            QCOMPARE(part.exitCode, 0);
            fromShards << idsOf(part.out);
            QVERIFY(idsOf(part.out).size() > ids.size() / 4);
        }
        std::sort(fromShards.begin(), fromShards.end());
        std::sort(ids.begin(), ids.end());
        QCOMPARE(fromShards, ids);
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
        // The cache's entries would be read as links next time; "-" would make a file "-".
        const QString links = file("cached-links.txt", LinkFileText);
        QTest::newRow("cache a link file")
            << QStringList {"--cache", m_dir.filePath("./cached-links.txt"), links};
#ifdef Q_OS_WIN
        // Windows finds a file whatever the letter case of its name.
        QTest::newRow("cache a link file in other case")
            << QStringList {"--cache", m_dir.filePath("CACHED-links.TXT"), links};
        QTest::newRow("valid-out and invalid-out one file in other case")
            << QStringList {"--valid-out", "same.txt", "--invalid-out", "SAME.txt", links};
#else
        // Another name of the same file, which no comparison of names can see.
        const QString alias = m_dir.filePath("alias.txt");
        QFile::remove(alias);
        QCOMPARE(::link(QFile::encodeName(links).constData(), QFile::encodeName(alias).constData()),
                 0);
        QTest::newRow("cache a hard link to a link file") << QStringList {"--cache", alias, links};
        QTest::newRow("valid-out a hard link to invalid-out")
            << QStringList {"--valid-out", alias, "--invalid-out", links, links};
#endif
        QTest::newRow("cache standard input") << QStringList {"--cache", "-", links};
        QTest::newRow("retries negative") << QStringList {"--retries", "-1", "a.txt"};
        QTest::newRow("rate zero") << QStringList {"--rate", "0", "a.txt"};
        QTest::newRow("rate nan") << QStringList {"--rate", "nan", "a.txt"};
        QTest::newRow("rate inf") << QStringList {"--rate", "inf", "a.txt"};
        QTest::newRow("rate over 1000") << QStringList {"--rate", "1000.5", "a.txt"};
        QTest::newRow("max-wait not a number") << QStringList {"--max-wait", "soon", "a.txt"};
        QTest::newRow("max-age garbage") << QStringList {"--max-age", "7 days", "a.txt"};
        QTest::newRow("unknown format") << QStringList {"--format", "xml", "a.txt"};
        QTest::newRow("json and csv") << QStringList {"--json", "--format", "csv", "a.txt"};
        QTest::newRow("csv with --dry-run")
            << QStringList {"--dry-run", "--format", "csv", "a.txt"};
        QTest::newRow("window-verdicts with --dry-run")
            << QStringList {"--dry-run", "--window-verdicts", "a.txt"};
        QTest::newRow("normalize with --page") << QStringList {"--page", "--normalize", "a.html"};
        QTest::newRow("changes without a store") << QStringList {"--changes", "a.txt"};
        QTest::newRow("report and changes")
            << QStringList {"--cache", "s.db", "--report", "--changes", "a.txt"};
        QTest::newRow("merge with --page")
            << QStringList {"--page", "--cache", "s.db", "--merge", "a.db"};
        QTest::newRow("shard beyond the last") << QStringList {"--shard", "3/3", "a.txt"};
        QTest::newRow("shard with --page") << QStringList {"--page", "--shard", "0/2", "a.html"};
    }
    void usageErrorsExitWithTwo()
    {
        QFETCH(QStringList, arguments);
        const CheckToolOutcome outcome = check(arguments);
        QCOMPARE(outcome.exitCode, 2);
        QCOMPARE(outcome.out, QByteArray());
        // Refused as a usage error, not for the missing a.txt the arguments name.
        QVERIFY2(outcome.err.endsWith("Try \"brindlewood-check --help\" for more information.\n"),
                 outcome.err.constData());
        QCOMPARE(TestFiles::read(m_dir.filePath("cached-links.txt")), LinkFileText);
    }

    void helpAndVersionExitWithZero()
    {
        const CheckToolOutcome help = check({"--help"});
        QCOMPARE(help.exitCode, 0);
        for (const char *option : {"--page", "--dry-run", "--json", "--jobs", "--retries",
                                   "--max-wait", "--rate", "--window-verdicts", "--unknown-out"})
            QVERIFY2(help.out.contains(option), option);
        // The widest number of jobs and the shortest wait are accepted (there is nothing to fetch).
        const CheckToolOutcome jobs = check({"--jobs", "64", "--dry-run", "-"}, "");
        QCOMPARE(jobs.exitCode, 2); // --jobs applies to checking only
        QCOMPARE(check({"--jobs", "64", file("blank.txt", "  \r\n")}).exitCode, 0);
        QCOMPARE(check({"--max-wait", "0", file("blank.txt", "  \r\n")}).exitCode, 0);
        const CheckToolOutcome version = check({"--version"});
        QCOMPARE(version.exitCode, 0);
        QCOMPARE(version.out, QByteArray("brindlewood-check " BRINDLEWOOD_VERSION "\n"));
    }
};

QTEST_GUILESS_MAIN(CheckCommandLineOfflineTest)
#include "tst_CheckCommandLineOffline.moc"
