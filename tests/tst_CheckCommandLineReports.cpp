// brindlewood-check's link hygiene and reports end to end: --normalize and --extract, a
// UTF-16 file without a mark, the CSV and Markdown formats read back, the summary, and the
// --cache that lets a later run skip what is already decided.
#include "CheckToolRun.h"
#include "engine/VideoDetails.h"
#include "fixture/FixtureServerProcess.h"
#include "fixture/WatchPages.h"
#include "support/TestFiles.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QThread>

#include <array>

namespace {
QString watch(const char *id)
{
    return u"https://www.youtube.com/watch?v="_qs + QLatin1String(id);
}

// RFC 4180 records: fields split at commas outside quotes, "" inside quotes for one quote,
// records ended by CR LF outside quotes.
QList<QStringList> csvRecords(const QString &text)
{
    QList<QStringList> records;
    QStringList record;
    QString field;
    bool quoted = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (quoted) {
            if (c == u'"' && (i + 1 < text.size() && text.at(i + 1) == u'"')) {
                field += u'"';
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                field += c;
            }
        } else if (c == u'"') {
            quoted = true;
        } else if (c == u',') {
            record << field;
            field.clear();
        } else if (c == u'\r' && (i + 1 < text.size() && text.at(i + 1) == u'\n')) {
            records << (record << field);
            record.clear();
            field.clear();
            ++i;
        } else {
            field += c;
        }
    }
    return records;
}
} // namespace

class CheckCommandLineReportsTest : public QObject
{
    Q_OBJECT

    std::optional<FixtureServerProcess> m_server;
    QTemporaryDir m_dir;

    QString url(const QString &pathAndQuery) const { return m_server->url(pathAndQuery); }
    QString file(const QString &name, const QByteArray &bytes)
    {
        return TestFiles::write(m_dir.filePath(name), bytes);
    }
    CheckToolOutcome check(const QStringList &arguments, const QByteArray &input = {})
    {
        return runCheckTool(m_dir.path(), arguments, input);
    }
    qsizetype requests() const { return m_server->requests().size(); }

private slots:
    void initTestCase()
    {
        m_server.emplace(QStringList {"--page-kb", "20"});
        QVERIFY2(m_server->isRunning(), qPrintable(m_server->errorString()));
    }

    void normalizeRewritesSpellingsAndDropsRepeats()
    {
        const QString links = file("spellings.txt",
                                   "# my playlist\r\n"
                                   "  https://youtu.be/r7NS3uN8G9w?si=abc  \r\n"
                                   "https://www.youtube.com/shorts/r7NS3uN8G9w\r\n"
                                   "\thttps://m.youtube.com/watch?v=QcmsotXwGyw&t=30s\r\n"
                                   "QcmsotXwGyw\r\n"
                                   "\r\n"
                                   "not a video link\r\n");
        const CheckToolOutcome outcome = check({"--dry-run", "--normalize", links});
        QCOMPARE(outcome.exitCode, 0);
        QCOMPARE(QString::fromUtf8(outcome.out),
                 watch("r7NS3uN8G9w") + '\n' + watch("QcmsotXwGyw") + "\nnot a video link\n");
        // Without --normalize every line is taken as it is, as the window takes it.
        QCOMPARE(check({"--dry-run", links}).out.count('\n'), 6);
    }

    void extractFindsLinksAnywhereAndNamesTheirSource()
    {
        const QString html = file("page.html",
                                  "<p>Intro</p>\n<a href=\"https://www.youtube.com/watch?v="
                                  "r7NS3uN8G9w&amp;t=3\">one</a>\n<iframe src=\"https://www."
                                  "youtube-nocookie.com/embed/QcmsotXwGyw\"></iframe>\n");
        const QString markdown = file("notes.md",
                                      "# Notes\n\nSee [this](https://youtu.be/QcmsotXwGyw) and\n"
                                      "[that](https://youtu.be/dQw4w9WgXcQ).\n");
        const QString csv = file("playlist.csv",
                                 "Video ID,Time Added\r\nr7NS3uN8G9w,2023-01-01\r\n"
                                 "aaaaaaaaaaa,2023-01-02\r\n");
        const CheckToolOutcome outcome
            = check({"--dry-run", "--extract", "--json", html, markdown, csv});
        QCOMPARE(outcome.exitCode, 0);
        QStringList seen;
        for (const QByteArray &line : outcome.out.trimmed().split('\n')) {
            const QJsonObject object = QJsonDocument::fromJson(line).object();
            seen << object.value("link").toString() + u' ' + object.value("source").toString();
        }
        QCOMPARE(seen,
                 (QStringList {watch("r7NS3uN8G9w") + u' ' + html + ":2",
                               watch("QcmsotXwGyw") + u' ' + html + ":3",
                               watch("dQw4w9WgXcQ") + u' ' + markdown + ":4",
                               watch("aaaaaaaaaaa") + u' ' + csv + ":3"}));
    }

    // A link file is read once, from a file or a pipe alike: a UTF-16 text without a mark (its
    // note once, whatever the mode), and a line that the decoding in pieces of a megabyte cuts
    // in two.
    void inputIsReadOnce_data()
    {
        QTest::addColumn<QStringList>("options");
        QTest::addColumn<bool>("piped"); // else read from a file
        QTest::addColumn<QByteArray>("input");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<int>("notes"); // how often the UTF-16 note is printed
        QStringEncoder utf16(QStringConverter::Utf16LE);
        QTest::newRow("UTF-16 without a mark, from a file")
            << QStringList {"--dry-run"} << false
            << QByteArray(utf16.encode(u"https://a.example/é\r\nb\r\n"_qs))
            << QByteArray("https://a.example/\xC3\xA9\nb\n") << 1;
        QTest::newRow("UTF-16 without a mark, dry run")
            << QStringList {"--dry-run"} << true
            << QByteArray(utf16.encode(u"https://a/é\r\nb\r\n"_qs))
            << QByteArray("https://a/\xC3\xA9\nb\n") << 1;
        QTest::newRow("UTF-16 without a mark, extracted")
            << QStringList {"--dry-run", "--extract"} << true
            << QByteArray(utf16.encode(u"see https://youtu.be/r7NS3uN8G9w now\r\n"_qs))
            << watch("r7NS3uN8G9w").toUtf8() + '\n'
            << 1;
        QTest::newRow("UTF-16 without a mark, checked")
            << QStringList {"--retries", "0"} << true
            << QByteArray(utf16.encode(url("/watch?v=ok") + u"\r\n"_qs))
            << "valid\t" + url("/watch?v=ok").toUtf8() + '\n'
            << 1;
        // Decoding cuts after the first ASCII byte at 1 MiB or beyond: inside the link, and
        // between the CR and the LF after the second.
        const QByteArray filler = QByteArray("a\n").repeated((1 << 20) / 2 - 8);
        QTest::newRow("a line across the reading boundary")
            << QStringList {"--dry-run"} << true << filler + "https://b.example/across\n"
            << filler + "https://b.example/across\n"
            << 0;
        const QByteArray before = QByteArray("a\n").repeated((1 << 20) / 2 - 10);
        QTest::newRow("CR LF across the reading boundary")
            << QStringList {"--dry-run"} << true << before + "https://c.example/xy\r\nz\r\n"
            << before + "https://c.example/xy\nz\n"
            << 0;
    }
    void inputIsReadOnce()
    {
        QFETCH(QStringList, options);
        QFETCH(bool, piped);
        QFETCH(QByteArray, input);
        QFETCH(QByteArray, out);
        QFETCH(int, notes);
        const CheckToolOutcome outcome
            = piped ? check(options << "-", input) : check(options << file("input.txt", input));
        QCOMPARE(outcome.exitCode, 0);
        QCOMPARE(outcome.out.size(), out.size());
        QCOMPARE(outcome.out, out);
        QCOMPARE(outcome.err.count("UTF-16"), notes);
    }

    void csvAndMarkdownReadBack()
    {
        const QString hostile = url("/watch?v=error&q=a,\"b\"");
        const QString links
            = file("report.txt",
                   (url("/watch?v=ok") + '\n' + hostile + '\n' + url("/watch?v=comma-reason") + '\n'
                    + url("/watch?v=no-marker"))
                       .toUtf8());
        const CheckToolOutcome csv = check({"--format", "csv", "--retries", "0", links});
        QCOMPARE(csv.exitCode, 1);
        const QList<QStringList> records = csvRecords(QString::fromUtf8(csv.out));
        QCOMPARE(records.size(), 5);
        QCOMPARE(records[0],
                 (QStringList {"link", "verdict", "reason", "status", "http", "subreason", "cause",
                               "title", "channel", "channel_id", "length_seconds"}));
        QCOMPARE(records[1],
                 (QStringList {url("/watch?v=ok"), "valid", "", "OK", "200", "", "",
                               "Fixture video", "Fixture", "UCfixture000000000000000", "212"}));
        QCOMPARE(records[2][0], hostile);
        QCOMPARE(records[2][1], u"invalid"_qs);
        // The site's reason and subreason stand whole in their own columns.
        QCOMPARE(records[3].mid(2, 5),
                 (QStringList {"This video is no longer available due to a copyright claim by "
                               "Fixture Films, Ltd.",
                               "ERROR", "200", "Sorry, about that.", ""}));
        QCOMPARE(records[4].mid(1, 6),
                 (QStringList {"unknown", "no playability status on the page", "", "200", "",
                               "no playability status on the page"}));

        const CheckToolOutcome markdown = check({"--format", "markdown", "--retries", "0", links});
        const QString text = QString::fromUtf8(markdown.out);
        QVERIFY(text.contains(u"## Valid (1)"_qs));
        QVERIFY(text.contains(u"## Invalid (2)"_qs));
        QVERIFY(text.contains(u"## Unknown (1)"_qs));
        QVERIFY(text.contains(hostile));
    }

    void summaryAndQuiet()
    {
        const QString links
            = file("two.txt", (url("/watch?v=ok") + '\n' + url("/watch?v=error")).toUtf8());
        CheckToolOutcome outcome = check({"--summary", links});
        QVERIFY2(outcome.err.startsWith("2 links: 1 valid, 1 invalid, 0 unknown in "),
                 outcome.err.constData());
        outcome = check({"--quiet", links});
        QCOMPARE(outcome.err, QByteArray());
        QCOMPARE(outcome.out.count('\n'), 2);
    }

    void cacheSkipsDecidedLinksAndForgetsOldOnes()
    {
        const QString cache = m_dir.filePath("cache.jsonl");
        const QStringList links = {url("/watch?v=ok&c=1"), url("/watch?v=error&c=2"),
                                   url("/watch?v=no-marker&c=3"), url("/watch?v=long-reason&c=4")};
        const QString linkFile = file("cached.txt", links.join('\n').toUtf8());
        CheckToolOutcome first = check({"--cache", cache, "--retries", "0", linkFile});
        QCOMPARE(first.exitCode, 1);
        // A reason of 20 MiB reaches neither the output nor the cache whole.
        QVERIFY2(first.out.size() < 2000, first.out.right(100).constData());
        QVERIFY(QFileInfo(cache).size() < 8000);

        // The second run fetches only the unknown link, with the same output and a note of
        // how many came from the cache.
        qsizetype before = requests();
        CheckToolOutcome second
            = check({"--cache", cache, "--retries", "0", "--summary", linkFile});
        QCOMPARE(second.out, first.out);
        QCOMPARE(m_server->requestTargets().mid(before), QStringList {"/watch?v=no-marker&c=3"});
        QVERIFY2(second.err.contains("3 from the cache"), second.err.constData());
        // The cache keeps all that the reports say, the window's verdicts included.
        for (const QStringList &options :
             {QStringList {"--json"}, QStringList {"--json", "--window-verdicts"}}) {
            QList<QJsonObject> fetched = jsonLines(check(options + QStringList {linkFile}).out);
            QList<QJsonObject> cached
                = jsonLines(check(options + QStringList {"--cache", cache, linkFile}).out);
            for (QList<QJsonObject> *objects : {&fetched, &cached}) {
                for (QJsonObject &object : *objects)
                    object.remove(u"attempts"_qs);
            }
            QCOMPARE(cached, fetched);
        }

        // A torn last line (a run killed mid-write) is ignored, and the next entry still lands.
        TestFiles::write(cache, TestFiles::read(cache) + "{\"link\":\"" + url("/x").toUtf8());
        before = requests();
        second = check({"--cache", cache, "--retries", "0", linkFile});
        QCOMPARE(second.out, first.out);
        QCOMPARE(requests() - before, 1);

        // Entries older than --max-age are fetched again.
        const QByteArray old
            = QDateTime::currentDateTimeUtc().addDays(-2).toString(Qt::ISODate).toUtf8();
        const QString stale = file("stale.jsonl",
                                   "{\"link\":\"" + links[0].toUtf8()
                                       + "\",\"verdict\":\"valid\",\"reason\":\"\",\"status\":"
                                         "\"OK\",\"http\":200,\"decided\":\""
                                       + old + "\"}\n");
        before = requests();
        check({"--cache", stale, "--max-age", "1d", file("one.txt", links[0].toUtf8())});
        QCOMPARE(requests() - before, 1);
        before = requests();
        check({"--cache", stale, "--max-age", "3d", file("one.txt", links[0].toUtf8())});
        QCOMPARE(requests() - before, 0);
    }

    // A list of 300 checked three times into one store while some pages change from valid to
    // removed and back: --changes names exactly the links that changed, with the verdict before
    // and, for a link that died, the video's details the first run read.
    void changesNameExactlyTheLinksThatDiedOrCameBack()
    {
        const QString removedList = file("removed.txt", {});
        FixtureServerProcess server({"--page-kb", "20", "--removed-list", removedList});
        QVERIFY2(server.isRunning(), qPrintable(server.errorString()));
        QStringList targets, links;
        for (int i = 0; i < 300; ++i) {
            targets << u"/watch?v=ok&n=%1"_qs.arg(i);
            links << server.url(targets.last());
        }
        const QStringList options {
            "--cache",   m_dir.filePath("history.db"),
            "--max-age", "1",
            "--changes", "--json",
            "--summary", file("three-hundred.txt", links.join('\n').toUtf8())};
        const VideoDetails seen
            = readVideoDetails(WatchPages::watchPage(u"ok"_qs, WatchPages::okStatus(), 20 * 1024));
        // Each run after the store's decisions are more than --max-age old, so it fetches all.
        const auto checkAfter = [&](const QList<int> &removed) {
            QStringList lines;
            for (int i : removed)
                lines << targets[i];
            file("removed.txt", lines.join('\n').toUtf8());
            QThread::sleep(2);
            return check(options);
        };
        const auto linksOf = [&](const QList<QJsonObject> &objects) {
            QStringList named;
            for (const QJsonObject &object : objects)
                named << object[u"link"].toString();
            return named;
        };

        CheckToolOutcome run = check(options);
        QCOMPARE(jsonLines(run.out).size(), 300);
        QVERIFY2(run.err.contains("since the last check: 0 died, 0 came back, 300 new"),
                 run.err.constData());

        run = checkAfter({4, 150, 299});
        QCOMPARE(run.exitCode, 1);
        QList<QJsonObject> changed = jsonLines(run.out);
        QCOMPARE(linksOf(changed), (QStringList {links[4], links[150], links[299]}));
        for (const QJsonObject &died : changed) {
            QCOMPARE(died[u"verdict"].toString(), u"invalid"_qs);
            QCOMPARE(died[u"previous_verdict"].toString(), u"valid"_qs);
            QVERIFY(died.contains(u"last_seen_valid"));
            QCOMPARE(died[u"title"].toString(), seen.title);
            QCOMPARE(died[u"channel"].toString(), seen.channel);
        }
        QVERIFY2(run.err.contains("since the last check: 3 died, 0 came back, 0 new"),
                 run.err.constData());

        run = checkAfter({150});
        changed = jsonLines(run.out);
        QCOMPARE(linksOf(changed), (QStringList {links[4], links[299]}));
        for (const QJsonObject &cameBack : changed) {
            QCOMPARE(cameBack[u"verdict"].toString(), u"valid"_qs);
            QCOMPARE(cameBack[u"previous_verdict"].toString(), u"invalid"_qs);
        }
        QVERIFY2(run.err.contains("since the last check: 0 died, 2 came back, 0 new"),
                 run.err.constData());
        // The report fetches nothing and says where the list stands.
        const qsizetype before = server.requests().size();
        run = check({"--cache", m_dir.filePath("history.db"), "--report", options.last()});
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.out.count("\ninvalid\t"), 1);
        QCOMPARE(server.requests().size(), before);
    }

    // Two runs that share a store, one of them creating it, wait for each other's writes
    // instead of failing, and every outcome of both is kept.
    void twoRunsAtOnceKeepEveryOutcomeInOneStore()
    {
        const QString store = m_dir.filePath("shared.db");
        std::array<QProcess, 2> runs;
        QStringList all;
        for (int run = 0; run < 2; ++run) {
            QStringList links;
            for (int i = 0; i < 100; ++i)
                links << url(u"/watch?v=%1&shared=%2"_qs.arg(run == 0 ? "ok" : "error").arg(i));
            all += links;
            runs[run].setProcessEnvironment(checkToolEnvironment(m_dir.path()));
            runs[run].start(qEnvironmentVariable("BRINDLEWOOD_CHECK"),
                            {"--quiet", "--cache", store,
                             file(u"shared%1.txt"_qs.arg(run), links.join('\n').toUtf8())});
        }
        for (QProcess &run : runs) {
            QVERIFY(ChildEnd::waitFor(run, CheckToolTimeoutMs));
            QCOMPARE(run.readAllStandardError(), QByteArray());
        }
        QCOMPARE(runs[0].exitCode(), 0);
        QCOMPARE(runs[1].exitCode(), 1);
        const qsizetype before = requests();
        const CheckToolOutcome report
            = check({"--cache", store, "--report", file("all.txt", all.join('\n').toUtf8())});
        QCOMPARE(report.out.count("valid\t"), 200); // "invalid\t" too
        QCOMPARE(report.out.count("invalid\t"), 100);
        QCOMPARE(requests(), before);
    }

    // A list split into three shards checked one after another, each into its own store, then
    // merged (twice, as a re-run would): the merged store reports every link as one run did.
    void threeShardsMergedReportAsOneRun()
    {
        QStringList links;
        for (int i = 0; i < 300; ++i)
            links << url(u"/watch?v=%1&sharded=%2"_qs.arg(i % 3 == 0 ? "error" : "ok").arg(i));
        const QString list = file("sharded.txt", links.join('\n').toUtf8());
        const QString oneStore = m_dir.filePath("one.db");
        check({"--quiet", "--cache", oneStore, list});
        QStringList shards;
        for (const char *shard : {"0/3", "1/3", "2/3"}) {
            shards << m_dir.filePath(u"shard-%1.db"_qs.arg(shards.size()));
            check({"--quiet", "--shard", shard, "--cache", shards.last(), list});
        }
        const QString all = m_dir.filePath("all.db");
        for (int twice = 0; twice < 2; ++twice)
            QCOMPARE(check(QStringList {"--cache", all, "--merge"} + shards).exitCode, 0);
        const qsizetype before = requests();
        const CheckToolOutcome merged = check({"--cache", all, "--report", list});
        const CheckToolOutcome oneRun = check({"--cache", oneStore, "--report", list});
        QCOMPARE(requests(), before);
        QCOMPARE(merged.out.count('\n'), 300);
        QCOMPARE(merged.out, oneRun.out);
        QCOMPARE(merged.exitCode, oneRun.exitCode);
    }
};

QTEST_GUILESS_MAIN(CheckCommandLineReportsTest)
#include "tst_CheckCommandLineReports.moc"
