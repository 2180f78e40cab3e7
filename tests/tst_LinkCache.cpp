// The --cache store: entries surviving a reopen, lines a crash or an editor left behind, which
// entry counts, expiry by --max-age and its parsing, and failures that name the file.
#include "core/AppError.h"
#include "core/PlayabilityVerdict.h"
#include "engine/LinkCache.h"
#include "engine/OutcomeStore.h"
#include "support/TestFiles.h"
#include "system/SharedFile.h"

#include <QTemporaryDir>
#include <QtTest>

#include <optional>
#include <thread>
#ifndef Q_OS_WIN
#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace std::chrono_literals;

namespace {
const QDateTime Noon(QDate(2024, 5, 1), QTime(12, 0), Qt::UTC);

CheckedLink outcome(const QString &link, LinkVerdict verdict, const QString &reason = {},
                    std::optional<QString> status = {}, std::optional<int> http = {})
{
    CheckedLink checked;
    checked.link = link;
    checked.verdict = verdict;
    checked.reason = reason;
    checked.status = status;
    checked.http = http;
    return checked;
}
const CheckedLink ValidA = outcome(u"https://a"_qs, LinkVerdict::Valid, {}, u"OK"_qs, 200);
const CheckedLink InvalidB = [] {
    CheckedLink checked
        = outcome(u"https://b"_qs, LinkVerdict::Invalid, u"Video unavailable"_qs, u"ERROR"_qs, 200);
    checked.siteReason = u"Video unavailable"_qs;
    checked.windowReason = u"Video unavailable "_qs;
    return checked;
}();
} // namespace

class LinkCacheTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    int m_fileNumber = 0;

    QString newPath() { return m_dir.filePath(u"cache%1.jsonl"_qs.arg(++m_fileNumber)); }

private slots:
    void keepsEntriesAcrossReopening()
    {
        const QString path = newPath();
        // Blanks, quotes, a line feed and non-ASCII must all survive in one line each.
        CheckedLink hostile
            = outcome(u"https://c/\"x\"\n\u00E9\u52D5"_qs, LinkVerdict::Invalid, u"a\tb\r\nc"_qs);
        hostile.siteSubreason = u"\"c\"\n"_qs;
        hostile.windowReason = u"URL unavailable"_qs;
        CheckedLink fetched = ValidA;
        fetched.attempts = 3;
        fetched.source = u"page.html:4"_qs;
        {
            LinkCache cache(path, 1h);
            cache.append(fetched, Noon);
            cache.append(InvalidB, Noon);
            cache.append(hostile, Noon);
            QCOMPARE(cache.lookup(ValidA.link, Noon), ValidA); // known in the same run too
        }
        QCOMPARE(TestFiles::read(path).count('\n'), 3);
        LinkCache reopened(path, 1h);
        QCOMPARE(reopened.lookup(ValidA.link, Noon), ValidA); // attempts and source not kept
        QCOMPARE(reopened.lookup(InvalidB.link, Noon), InvalidB);
        QCOMPARE(reopened.lookup(hostile.link, Noon), hostile);
        QCOMPARE(reopened.lookup(u"https://never"_qs, Noon), std::nullopt);
    }

    void storesTheDecisionTimeInUtcToTheSecond()
    {
        const QDateTime berlin(QDate(2024, 5, 1), QTime(14, 0, 5, 750), Qt::OffsetFromUTC, 7200);
        QCOMPARE(
            LinkCache::entryLine(InvalidB, berlin),
            QByteArray(
                "{\"decided\":\"2024-05-01T12:00:05Z\",\"http\":200,\"link\":\"https://b\","
                "\"reason\":\"Video unavailable\",\"siteReason\":\"Video unavailable\","
                "\"status\":\"ERROR\",\"verdict\":\"invalid\",\"window\":\"Video unavailable \"}"
                "\n"));
        QVERIFY(LinkCache::entryLine(outcome(u"x"_qs, LinkVerdict::Valid), Noon)
                    .contains("\"http\":null,\"link\":\"x\",\"reason\":\"\",\"status\":null"));
    }

    // Entries of older runs lack what the site said; any entry's texts are read shortened,
    // so a cache written before reasons were cut costs no more than one written after.
    void readsOlderEntriesAndShortensLongReasons()
    {
        const QString longReason(5000, u'r');
        const QString path = TestFiles::write(
            newPath(),
            "{\"decided\":\"2024-05-01T12:00:00Z\",\"http\":200,\"link\":\"https://b\","
            "\"reason\":\"Video unavailable \",\"status\":\"ERROR\",\"verdict\":\"invalid\"}\n"
            "{\"decided\":\"2024-05-01T12:00:00Z\",\"http\":200,\"link\":\"https://l\","
            "\"reason\":\""
                + longReason.toUtf8() + "\",\"siteReason\":\"" + longReason.toUtf8()
                + "\",\"status\":\"ERROR\",\"subreason\":\"" + longReason.toUtf8()
                + "\",\"verdict\":\"invalid\",\"window\":\"" + longReason.toUtf8() + "\"}\n");
        LinkCache cache(path, 1h);
        CheckedLink old = outcome(u"https://b"_qs, LinkVerdict::Invalid, u"Video unavailable "_qs,
                                  u"ERROR"_qs, 200);
        QCOMPARE(cache.lookup(old.link, Noon), old);
        const QString shortened = longReason.left(MaxReasonLength - 1) + u'\u2026';
        CheckedLink longOne
            = outcome(u"https://l"_qs, LinkVerdict::Invalid, shortened, u"ERROR"_qs, 200);
        longOne.siteReason = longOne.siteSubreason = longOne.windowReason = shortened;
        QCOMPARE(cache.lookup(longOne.link, Noon), longOne);
    }

    void neverStoresAnUnknownOutcome()
    {
        const QString path = newPath();
        LinkCache cache(path, 1h);
        cache.append(outcome(u"https://u"_qs, LinkVerdict::Unknown, u"timed out"_qs), Noon);
        QCOMPARE(cache.lookup(u"https://u"_qs, Noon), std::nullopt);
        QCOMPARE(TestFiles::read(path), QByteArray());
    }

    // A store of one line that is no whole entry, its line feed part of the entry.
    void ignoresLinesThatAreNotWholeEntries_data()
    {
        QTest::addColumn<QByteArray>("text");
        const QByteArray good = LinkCache::entryLine(ValidA, Noon);
        QTest::newRow("a whole entry without its line feed") << good.trimmed();
        QTest::newRow("torn JSON") << good.left(30) + '\n';
        QTest::newRow("not JSON") << QByteArray("valid https://a\n");
        QTest::newRow("an array") << QByteArray("[\"https://a\",\"valid\"]\n");
        QTest::newRow("verdict unknown") << QByteArray(good).replace("\"valid\"", "\"unknown\"");
        QTest::newRow("verdict missing") << QByteArray(good).replace("\"verdict\"", "\"v\"");
        QTest::newRow("link not a string") << QByteArray(good).replace("\"https://a\"", "7");
        QTest::newRow("http as text") << QByteArray(good).replace("200", "\"200\"");
        QTest::newRow("http a fraction") << QByteArray(good).replace("200", "200.5");
        QTest::newRow("status a number") << QByteArray(good).replace("\"OK\"", "1");
        QTest::newRow("decided not a time") << QByteArray(good).replace("2024-05-01", "May 1st");
    }
    void ignoresLinesThatAreNotWholeEntries()
    {
        QFETCH(QByteArray, text);
        const QString path = TestFiles::write(newPath(), text);
        QCOMPARE(LinkCache(path, 1h).lookup(ValidA.link, Noon), std::nullopt);
    }

    void appendsAfterATornLastLine()
    {
        // A crash in the middle of a write leaves part of a line and no line feed.
        const QByteArray torn = LinkCache::entryLine(InvalidB, Noon).left(25);
        const QString path = TestFiles::write(newPath(), LinkCache::entryLine(ValidA, Noon) + torn);
        {
            LinkCache cache(path, 1h);
            QCOMPARE(cache.lookup(ValidA.link, Noon), ValidA);
            cache.append(InvalidB, Noon);
            cache.append(ValidA, Noon.addSecs(1)); // only the first append needs the line feed
        }
        QCOMPARE(TestFiles::read(path),
                 LinkCache::entryLine(ValidA, Noon) + torn + '\n'
                     + LinkCache::entryLine(InvalidB, Noon)
                     + LinkCache::entryLine(ValidA, Noon.addSecs(1)));
        LinkCache reopened(path, 1h);
        QCOMPARE(reopened.lookup(InvalidB.link, Noon), InvalidB);
    }

    void aLaterEntryReplacesAnEarlierOne()
    {
        CheckedLink nowInvalid = ValidA;
        nowInvalid.verdict = LinkVerdict::Invalid;
        nowInvalid.reason = u"Private video"_qs;
        const QString path = TestFiles::write(
            newPath(), LinkCache::entryLine(ValidA, Noon) + LinkCache::entryLine(nowInvalid, Noon));
        QCOMPARE(LinkCache(path, 1h).lookup(ValidA.link, Noon), nowInvalid);
        // Two runs at once may append out of order: an entry decided earlier, though written
        // later, does not replace the newer one.
        TestFiles::write(path,
                         LinkCache::entryLine(nowInvalid, Noon)
                             + LinkCache::entryLine(ValidA, Noon.addSecs(-1)));
        QCOMPARE(LinkCache(path, 1h).lookup(ValidA.link, Noon), nowInvalid);
        // An entry dated far ahead is not believed: it would hide every later outcome.
        TestFiles::write(
            path,
            LinkCache::entryLine(nowInvalid, QDateTime::currentDateTimeUtc().addSecs(120))
                + LinkCache::entryLine(ValidA, Noon));
        QCOMPARE(LinkCache(path, 1h).lookup(ValidA.link, Noon), ValidA);
    }

    // A store holding far more lines than it needs is rewritten at opening with the newest
    // entry of each link, in their order; one that holds little waste, or that another run has
    // open, is left alone. A rewrite that cannot be written (a full disk, here the file-size
    // limit) leaves the old file as it was, and the store is used as it is.
    void compactsWhenItHoldsMuchMoreThanItNeeds_data()
    {
        QTest::addColumn<int>("links");
        QTest::addColumn<int>("repeats");
        QTest::addColumn<bool>("torn");
        QTest::addColumn<bool>("shared"); // another run has the store open
        QTest::addColumn<int>("limit"); // the file-size limit while it opens; 0 for none
        QTest::addColumn<bool>("compacted");
        QTest::addColumn<qint64>("hole"); // bytes of zeros on a line of their own at the end
        QTest::newRow("few links decided many times")
            << 10 << 101 << false << false << 0 << true << qint64(0);
        QTest::newRow("waste under 1,000 lines")
            << 10 << 100 << false << false << 0 << false << qint64(0);
        QTest::newRow("waste as large as what is kept")
            << 1000 << 2 << false << false << 0 << false << qint64(0);
        QTest::newRow("a torn line more tips it")
            << 1000 << 2 << true << false << 0 << true << qint64(0);
        QTest::newRow("another run has it open")
            << 10 << 200 << false << true << 0 << false << qint64(0);
        QTest::newRow("a file larger than what may be held")
            << 10 << 101 << false << false << 0 << true << LinkCache::MaxBytes;
#ifndef Q_OS_WIN // which has no file-size limit to stand for a full disk
        QTest::newRow("the disk is full")
            << 10 << 200 << false << false << 100 << false << qint64(0);
#endif
    }
    void compactsWhenItHoldsMuchMoreThanItNeeds()
    {
        QFETCH(int, links);
        QFETCH(int, repeats);
        QFETCH(bool, torn);
        QFETCH(bool, shared);
        QFETCH(int, limit);
        QFETCH(bool, compacted);
        QFETCH(qint64, hole);
        const auto entry = [](int link, int repeat) {
            return LinkCache::entryLine(outcome(u"https://l/%1"_qs.arg(link), LinkVerdict::Invalid,
                                                u"reason %1"_qs.arg(repeat)),
                                        Noon.addSecs(repeat));
        };
        QByteArray stored, newest;
        for (int repeat = 0; repeat < repeats; ++repeat) {
            for (int link = 0; link < links; ++link)
                stored += entry(link, repeat);
        }
        for (int link = 0; link < links; ++link)
            newest += entry(link, repeats - 1);
        if (torn)
            stored += entry(0, repeats).left(20);
        const QString path = TestFiles::write(newPath(), stored);
        if (hole > 0) {
            QFile file(path);
            QVERIFY(file.resize(stored.size() + hole) && file.open(QIODevice::Append));
            QCOMPARE(file.write("\n"), 1);
        }
#ifndef Q_OS_WIN
        // The user's store stays the user's when root compacts it (only root can try this).
        const bool givenAway = ::chown(QFile::encodeName(path).constData(), 4321, 4321) == 0;
        QCOMPARE(::chmod(QFile::encodeName(path).constData(), 0640), 0);
#endif
        {
            QFile otherRun(path);
            if (shared) {
                QVERIFY(otherRun.open(QIODevice::Append));
                SharedFile::lockShared(otherRun);
            }
            std::optional<LinkCache> cache;
            {
#ifndef Q_OS_WIN
                std::optional<TestFiles::FileSizeLimit> fullDisk;
                if (limit > 0)
                    fullDisk.emplace(limit);
#endif
                cache.emplace(path, 1h);
            }
            QCOMPARE(cache->compactionFailure(),
                     limit > 0 ? u"Cannot compact \"%1\": File too large"_qs.arg(path) : QString());
            QCOMPARE(cache->lookup(u"https://l/0"_qs, Noon.addSecs(repeats))->reason,
                     u"reason %1"_qs.arg(repeats - 1));
            QCOMPARE(TestFiles::read(path), compacted ? newest : stored);
            cache->append(ValidA, Noon);
        }
        QCOMPARE(TestFiles::read(path),
                 (compacted ? newest : stored + (torn ? "\n" : ""))
                     + LinkCache::entryLine(ValidA, Noon));
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Files).filter(u"cache%1"_qs.arg(m_fileNumber)),
                 QStringList {QFileInfo(path).fileName()});
#ifndef Q_OS_WIN
        struct stat after;
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &after), 0);
        QCOMPARE(after.st_mode & 07777, mode_t(0640));
        if (givenAway)
            QCOMPARE(after.st_uid, uid_t(4321));
#endif
    }

    // What is no regular file is never read as a store: a device would be read for ever, a
    // FIFO would wait for a writer.
    void refusesWhatCannotBeAStore_data()
    {
        QTest::addColumn<QString>("path");
        QTest::addColumn<QString>("error"); // %1: the path
        const QString notRegular = u"Cannot use \"%1\" as the cache: it is not a regular file"_qs;
        QTest::newRow("a folder") << m_dir.path() << notRegular;
#ifndef Q_OS_WIN // which has no devices, FIFOs or symbolic links to make here
        QTest::newRow("an endless device") << u"/dev/zero"_qs << notRegular;
        const QString fifo = m_dir.filePath("cache.fifo");
        if (::mkfifo(QFile::encodeName(fifo).constData(), 0600) == 0)
            QTest::newRow("a FIFO") << fifo << notRegular;
        const QString link = m_dir.filePath("link-to-zero");
        QVERIFY(QFile::link("/dev/zero", link));
        QTest::newRow("a link to a device") << link << notRegular;
#endif
        // A SQLite file is a store only when it is one of ours, of a version this one reads.
        const auto store = [&](qsizetype at, QByteArray bytes) {
            const QString path = m_dir.filePath(u"store%1.db"_qs.arg(++m_fileNumber));
            OutcomeStore(path, 1h).record(ValidA, Noon);
            QByteArray file = TestFiles::read(path);
            TestFiles::write(path, file.replace(at, bytes.size(), bytes));
            return path;
        };
        const QString cannotUse = u"Cannot use \"%1\" as the cache: "_qs;
        QTest::newRow("a damaged store")
            << store(16, QByteArray(84, 'x'))
            << cannotUse + u"it is damaged or no SQLite database (file is not a database)"_qs;
        QTest::newRow("a store of a newer version") << store(60, QByteArray("\0\0\0\2", 4))
                                                    << cannotUse
                + u"it was written by a newer version of brindlewood-check (store "
                  "version 2; this one reads 1)"_qs;
        QTest::newRow("another program's database") << store(60, QByteArray(4, '\0'))
                                                    << cannotUse
                + u"it is another program's SQLite "
                  "database"_qs;
    }
    void refusesWhatCannotBeAStore()
    {
        QFETCH(QString, path);
        QFETCH(QString, error);
        const bool small = QFileInfo(path).isFile() && QFileInfo(path).size() < 100'000;
        const QByteArray before = small ? TestFiles::read(path) : QByteArray();
        try {
            openOutcomeMemory(path, 1h);
            QFAIL("no error raised");
        } catch (const AppError &e) {
            QCOMPARE(e.description(), error.arg(path));
        }
        if (small)
            QCOMPARE(TestFiles::read(path), before); // left as it was
    }

    // The store keeps every check, unknown ones too, and answers from them what the run asks:
    // the latest decided outcome within --max-age, and what the video was while it was valid.
    // Merging adds each check once, however often it is run.
    void storeKeepsEveryCheckAndWhatTheVideoWas()
    {
        const QString path = m_dir.filePath(u"history%1.db"_qs.arg(++m_fileNumber));
        const QString video = u"https://youtu.be/r7NS3uN8G9w"_qs;
        CheckedLink valid = outcome(video, LinkVerdict::Valid, {}, u"OK"_qs, 200);
        valid.video = {u"A title"_qs, u"A channel"_qs, u"UCxyz"_qs, 212};
        CheckedLink removed = InvalidB;
        removed.link = u"https://www.youtube.com/watch?v=r7NS3uN8G9w"_qs; // the same video
        CheckedLink timedOut = outcome(removed.link, LinkVerdict::Unknown, u"timed out"_qs);
        {
            OutcomeStore store(path, 1h);
            store.record(valid, Noon);
            store.record(removed, Noon.addSecs(60));
            store.record(timedOut, Noon.addSecs(120));
        }
        OutcomeStore store(path, 1h);
        QCOMPARE(store.lookup(removed.link, Noon.addSecs(120)), removed);
        QCOMPARE(store.lookup(removed.link, Noon.addSecs(3661)), std::nullopt);
        QCOMPARE(store.latest(valid.link)->first, valid);
        const LinkHistory history = store.history(removed.link);
        QCOMPARE(history.lastVerdict, LinkVerdict::Invalid);
        QCOMPARE(history.lastDecided, Noon.addSecs(60));
        QCOMPARE(history.lastVideo, valid.video);
        QCOMPARE(history.lastSeenValid, Noon);

        const QString merged = m_dir.filePath(u"merged%1.db"_qs.arg(++m_fileNumber));
        const QString jsonLines = TestFiles::write(
            newPath(), LinkCache::entryLine(ValidA, Noon) + LinkCache::entryLine(ValidA, Noon));
        OutcomeStore into(merged, 1h);
        QCOMPARE(into.merge(path) + into.merge(jsonLines), 4);
        QCOMPARE(into.merge(path) + into.merge(jsonLines), 0);
        QCOMPARE(into.latest(ValidA.link)->first, ValidA);
    }

    // A full disk (here a file-size limit) fails the write with the system's reason, and what
    // was committed before stays in the store.
    void fullStoreSaysWhyAndKeepsWhatItHad()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows has no file-size limit (RLIMIT_FSIZE) to stand for a full disk");
#else
        const QString path = m_dir.filePath(u"full%1.db"_qs.arg(++m_fileNumber));
        std::optional<OutcomeStore> store(std::in_place, path, 1h);
        store->record(ValidA, Noon);
        store->commit(true);
        rlimit limit {};
        ::getrlimit(RLIMIT_FSIZE, &limit);
        const rlimit unlimited = limit;
        limit.rlim_cur = rlim_t(QFileInfo(path + u"-wal"_qs).size());
        const auto previousHandler = ::signal(SIGXFSZ, SIG_IGN);
        ::setrlimit(RLIMIT_FSIZE, &limit);
        QString error;
        try {
            for (int i = 0; i < 50; ++i)
                store->record(outcome(u"https://x/%1"_qs.arg(i), LinkVerdict::Valid), Noon);
            store->commit(true);
        } catch (const AppError &e) {
            error = e.description();
        }
        store.reset();
        ::setrlimit(RLIMIT_FSIZE, &unlimited);
        ::signal(SIGXFSZ, previousHandler);
        QCOMPARE(error, u"Cannot write \"%1\": File too large"_qs.arg(path));
        QCOMPARE(OutcomeStore(path, 1h).lookup(ValidA.link, Noon), ValidA);
#endif
    }

    void expiresEntriesOlderThanTheMaximumAge_data()
    {
        QTest::addColumn<qint64>("secondsLater");
        QTest::addColumn<bool>("found");
        QTest::newRow("just decided") << qint64(0) << true;
        QTest::newRow("exactly the maximum age") << qint64(3600) << true;
        QTest::newRow("one second older") << qint64(3601) << false;
        QTest::newRow("decided after now") << qint64(-1) << false;
    }
    void expiresEntriesOlderThanTheMaximumAge()
    {
        QFETCH(qint64, secondsLater);
        QFETCH(bool, found);
        const QString path = TestFiles::write(newPath(), LinkCache::entryLine(ValidA, Noon));
        QCOMPARE(LinkCache(path, 1h).lookup(ValidA.link, Noon.addSecs(secondsLater)).has_value(),
                 found);
    }

    // A run that opens the store while another holds it alone (compacting it) waits, then
    // finds a new file in the old one's place: it reads and appends to the new one, never to
    // the file that left the name.
    void aRunThatWaitedOnACompactionAppendsToTheNewFile()
    {
#ifdef Q_OS_WIN
        QSKIP("Windows renames no file that is open; there the compacting run closes it first.");
#endif
        const QString path = TestFiles::write(newPath(), LinkCache::entryLine(InvalidB, Noon));
        QFile compacting(path);
        QVERIFY(compacting.open(QIODevice::Append));
        QVERIFY(SharedFile::tryLockAlone(compacting));
        std::optional<LinkCache> waiting;
        std::thread opening([&] { waiting.emplace(path, 1h); });
        // The waiting run has opened the old file by now, or opens the new one: both must end
        // the same way.
        QThread::msleep(200);
        const QString rewritten
            = TestFiles::write(path + u".new"_qs, LinkCache::entryLine(ValidA, Noon));
        QVERIFY(QFile::rename(path, path + u".old"_qs) && QFile::rename(rewritten, path));
        compacting.close();
        opening.join();
        QCOMPARE(waiting->lookup(ValidA.link, Noon), ValidA);
        QCOMPARE(waiting->lookup(InvalidB.link, Noon), std::nullopt);
        waiting->append(InvalidB, Noon.addSecs(1));
        QCOMPARE(TestFiles::read(path),
                 LinkCache::entryLine(ValidA, Noon)
                     + LinkCache::entryLine(InvalidB, Noon.addSecs(1)));
        QCOMPARE(TestFiles::read(path + u".old"_qs), LinkCache::entryLine(InvalidB, Noon));
    }

    void failuresNameTheFile()
    {
        const QString path = TestFiles::impossiblePath(m_dir.path());
        try {
            LinkCache cache(path, 1h);
            QFAIL("no error raised");
        } catch (const AppError &error) {
            QVERIFY2(error.description().startsWith(u"Cannot write \"%1\": "_qs.arg(path)),
                     qPrintable(error.description()));
        }
    }

    void parsesTheMaximumAge_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint64>("seconds"); // 0: refused
        QTest::newRow("days") << u"7d"_qs << qint64(7 * 86400);
        QTest::newRow("hours") << u"12h"_qs << qint64(12 * 3600);
        QTest::newRow("minutes") << u"30m"_qs << qint64(1800);
        QTest::newRow("seconds") << u"45s"_qs << qint64(45);
        QTest::newRow("bare number") << u"90"_qs << qint64(90);
        QTest::newRow("zero") << u"0"_qs << qint64(0);
        QTest::newRow("zero days") << u"0d"_qs << qint64(0);
        QTest::newRow("negative") << u"-5m"_qs << qint64(0);
        QTest::newRow("fraction") << u"1.5h"_qs << qint64(0);
        QTest::newRow("unknown unit") << u"2w"_qs << qint64(0);
        QTest::newRow("unit in capitals") << u"7D"_qs << qint64(0);
        QTest::newRow("combined") << u"1h30m"_qs << qint64(0);
        QTest::newRow("empty") << u""_qs << qint64(0);
        QTest::newRow("beyond 64 bits") << u"99999999999999999999"_qs << qint64(0);
        QTest::newRow("days beyond 64 bits") << u"9223372036854775807d"_qs << qint64(0);
    }
    void parsesTheMaximumAge()
    {
        QFETCH(QString, text);
        QFETCH(qint64, seconds);
        try {
            QCOMPARE(LinkCache::parseMaxAge(text).count(), seconds);
            QVERIFY(seconds != 0);
        } catch (const AppError &error) {
            QVERIFY2(seconds == 0, qPrintable(error.description()));
            QVERIFY2(error.description().contains(u"--max-age"_qs)
                         && error.description().contains(u'"' + text + u'"'),
                     qPrintable(error.description()));
        }
    }
};

QTEST_GUILESS_MAIN(LinkCacheTest)
#include "tst_LinkCache.moc"
