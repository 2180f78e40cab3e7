#include "engine/OutcomeStore.h"

#include "core/AppError.h"
#include "core/LinkNormalizer.h"
#include "core/PlayabilityVerdict.h"
#include "engine/LinkCache.h"

#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <sqlite3.h>

#include <cerrno>
#include <cstring>

namespace {
// The schema, as the man page gives it. A check's identity is its link, second, verdict and
// reason: merging the same check twice adds it once.
constexpr const char *Schema = R"(
CREATE TABLE checks (
  link TEXT NOT NULL,
  video_id TEXT,
  checked_at INTEGER NOT NULL,
  verdict TEXT NOT NULL CHECK (verdict IN ('valid', 'invalid', 'unknown')),
  status TEXT,
  reason TEXT NOT NULL,
  subreason TEXT,
  cause TEXT,
  http_status INTEGER,
  attempts INTEGER NOT NULL,
  site_reason TEXT,
  window_reason TEXT NOT NULL,
  title TEXT,
  channel TEXT,
  channel_id TEXT,
  length_seconds INTEGER,
  UNIQUE (link, checked_at, verdict, reason)
);
CREATE INDEX checks_by_video ON checks (video_id, checked_at) WHERE video_id IS NOT NULL;
PRAGMA user_version = 1;
)";

constexpr const char *Columns
    = "link, video_id, checked_at, verdict, status, reason, subreason, cause, http_status, "
      "attempts, site_reason, window_reason, title, channel, channel_id, length_seconds";

const char *verdictText(LinkVerdict verdict)
{
    switch (verdict) {
    case LinkVerdict::Valid:
        return "valid";
    case LinkVerdict::Invalid:
        return "invalid";
    case LinkVerdict::Unknown:
        break;
    }
    return "unknown";
}

LinkVerdict verdictOf(const unsigned char *text)
{
    const char *word = reinterpret_cast<const char *>(text);
    if (word && std::strcmp(word, "valid") == 0)
        return LinkVerdict::Valid;
    if (word && std::strcmp(word, "invalid") == 0)
        return LinkVerdict::Invalid;
    return LinkVerdict::Unknown;
}

void bindText(sqlite3_stmt *statement, int column, const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    sqlite3_bind_text(statement, column, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
}

void bindText(sqlite3_stmt *statement, int column, const std::optional<QString> &text)
{
    if (text)
        bindText(statement, column, *text);
    else
        sqlite3_bind_null(statement, column);
}

void bindNumber(sqlite3_stmt *statement, int column, std::optional<qint64> number)
{
    if (number)
        sqlite3_bind_int64(statement, column, *number);
    else
        sqlite3_bind_null(statement, column);
}

QString columnText(sqlite3_stmt *statement, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(statement, column)) : QString();
}

std::optional<QString> optionalText(sqlite3_stmt *statement, int column)
{
    if (sqlite3_column_type(statement, column) == SQLITE_NULL)
        return std::nullopt;
    return columnText(statement, column);
}

std::optional<qint64> optionalNumber(sqlite3_stmt *statement, int column)
{
    if (sqlite3_column_type(statement, column) == SQLITE_NULL)
        return std::nullopt;
    return sqlite3_column_int64(statement, column);
}

QDateTime timeOf(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC);
}

// Binds checked as the 16 columns of Columns, in their order.
void bindCheck(sqlite3_stmt *insert, const CheckedLink &checked, qint64 checkedAt)
{
    const QString videoId = OutcomeStore::videoIdOf(checked.link);
    const bool unknown = checked.verdict == LinkVerdict::Unknown;
    bindText(insert, 1, checked.link);
    bindText(insert, 2, videoId.isEmpty() ? std::nullopt : std::optional<QString>(videoId));
    sqlite3_bind_int64(insert, 3, checkedAt);
    sqlite3_bind_text(insert, 4, verdictText(checked.verdict), -1, SQLITE_STATIC);
    bindText(insert, 5, checked.status);
    bindText(insert, 6, checked.reason);
    bindText(insert, 7, checked.siteSubreason);
    bindText(insert, 8, unknown ? std::optional<QString>(checked.reason) : std::nullopt);
    bindNumber(insert, 9, checked.http);
    sqlite3_bind_int64(insert, 10, checked.attempts);
    bindText(insert, 11, checked.siteReason);
    bindText(insert, 12, checked.windowReason);
    const VideoDetails &video = checked.video;
    const auto orNone = [](const QString &text) {
        return text.isEmpty() ? std::nullopt : std::optional<QString>(text);
    };
    bindText(insert, 13, orNone(video.title));
    bindText(insert, 14, orNone(video.channel));
    bindText(insert, 15, orNone(video.channelId));
    bindNumber(insert, 16, video.lengthSeconds);
}

// A row selected as Columns, as the outcome it records; attempts and source are left empty, as
// nothing was fetched for it in this run.
std::pair<CheckedLink, QDateTime> checkOf(sqlite3_stmt *row)
{
    CheckedLink checked;
    checked.link = columnText(row, 0);
    checked.verdict = verdictOf(sqlite3_column_text(row, 3));
    checked.status = optionalText(row, 4);
    checked.reason = shortenedReason(columnText(row, 5));
    if (auto subreason = optionalText(row, 6))
        checked.siteSubreason = shortenedReason(*subreason);
    if (auto http = optionalNumber(row, 8))
        checked.http = int(*http);
    if (auto siteReason = optionalText(row, 10))
        checked.siteReason = shortenedReason(*siteReason);
    checked.windowReason = shortenedReason(columnText(row, 11));
    checked.video.title = columnText(row, 12);
    checked.video.channel = columnText(row, 13);
    checked.video.channelId = columnText(row, 14);
    checked.video.lengthSeconds = optionalNumber(row, 15);
    return {checked, timeOf(sqlite3_column_int64(row, 2))};
}

// Resets a prepared statement when the caller is done with it, whatever happens.
struct ResetAfter
{
    sqlite3_stmt *statement;
    ~ResetAfter()
    {
        sqlite3_reset(statement);
        sqlite3_clear_bindings(statement);
    }
};
} // namespace

// A statement prepared for one use, finalized when it goes.
class OutcomeStore::Statement
{
public:
    Statement(const OutcomeStore &store, sqlite3 *db, const QByteArray &sql)
    {
        if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &m_statement, nullptr)
            != SQLITE_OK)
            store.fail(u"read"_qs);
    }
    ~Statement() { sqlite3_finalize(m_statement); }
    operator sqlite3_stmt *() const { return m_statement; }

private:
    sqlite3_stmt *m_statement = nullptr;
};

OutcomeStore::OutcomeStore(const QString &path, std::chrono::seconds maxAge)
    : m_path(path)
    , m_maxAge(maxAge)
{
    try {
        openAndCheck();
        prepareStatements();
    } catch (...) {
        sqlite3_close_v2(m_db);
        throw;
    }
}

OutcomeStore::~OutcomeStore()
{
    // What is still uncommitted goes now; a failure here was already reported by the run's own
    // final commit, or the run is ending on another error.
    if (m_transaction != Transaction::None)
        sqlite3_exec(m_db, "COMMIT", nullptr, nullptr, nullptr);
    for (sqlite3_stmt *statement : {m_insert, m_lastDecided, m_lastAny, m_videoByLink, m_videoById,
                                    m_validByLink, m_validById})
        sqlite3_finalize(statement);
    sqlite3_close_v2(m_db);
}

QString OutcomeStore::videoIdOf(const QString &link)
{
    const std::optional<QString> canonical = LinkNormalizer::canonicalVideoLink(link);
    return canonical ? canonical->right(11) : QString();
}

void OutcomeStore::fail(const QString &what) const
{
    // SQLite keeps the system's error only for some failures; the write that failed last set
    // errno, which nothing has touched since.
    const int lastError = errno;
    const int code = sqlite3_extended_errcode(m_db) & 0xff;
    const int system = sqlite3_system_errno(m_db) != 0 ? sqlite3_system_errno(m_db) : lastError;
    QString reason = QString::fromUtf8(sqlite3_errmsg(m_db));
    // The system says more than "disk I/O error" or "database or disk is full".
    if (system != 0 && (code == SQLITE_IOERR || code == SQLITE_FULL || code == SQLITE_CANTOPEN))
        reason = QString::fromLocal8Bit(std::strerror(system));
    if (code == SQLITE_NOTADB || code == SQLITE_CORRUPT)
        throw AppError(
            u"Cannot use \"%1\" as the cache: it is damaged or no SQLite database (%2)"_qs.arg(
                m_path, reason));
    throw AppError(u"Cannot %1 \"%2\": %3"_qs.arg(what, m_path, reason));
}

void OutcomeStore::execute(const char *sql)
{
    if (sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr) != SQLITE_OK)
        fail(u"write"_qs);
}

void OutcomeStore::openAndCheck()
{
    if (sqlite3_open_v2(m_path.toUtf8().constData(), &m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK)
        fail(u"open"_qs);
    if (sqlite3_db_readonly(m_db, "main") == 1)
        throw AppError(u"Cannot use \"%1\" as the cache: it is read-only"_qs.arg(m_path));
    sqlite3_busy_timeout(m_db, BusyTimeoutMs);
    sqlite3_extended_result_codes(m_db, 1);

    // Nothing is written before the file is known to be a store of a schema this program reads.
    // The look and the creation are one write transaction: two runs starting on the same new
    // file must not both create the schema, nor one see the other's half made.
    execute("BEGIN IMMEDIATE");
    const auto number = [&](const char *sql) {
        Statement statement(*this, m_db, sql);
        if (sqlite3_step(statement) != SQLITE_ROW)
            fail(u"read"_qs);
        return sqlite3_column_int64(statement, 0);
    };
    const qint64 version = number("PRAGMA user_version");
    if (version > SchemaVersion)
        throw AppError(u"Cannot use \"%1\" as the cache: it was written by a newer version of "
                       "brindlewood-check (store version %2; this one reads %3)"_qs.arg(m_path)
                           .arg(version)
                           .arg(SchemaVersion));
    if (version == 0) {
        if (number("SELECT count(*) FROM sqlite_schema") > 0)
            throw AppError(u"Cannot use \"%1\" as the cache: it is another program's SQLite "
                           "database"_qs.arg(m_path));
        execute(Schema);
    }
    execute("COMMIT");
    useWriteAheadLog();
    // Committed outcomes survive the program being killed; only a power cut may lose the last
    // commits, never the database.
    execute("PRAGMA synchronous = NORMAL");
}

void OutcomeStore::useWriteAheadLog()
{
    // The WAL mode stays with the file; readers are then never held up by a run's writes.
    // Switching to it needs the file to itself for a moment, and SQLite answers "busy" at once,
    // without waiting, when another run is switching it too or holds it open: so wait here.
    QElapsedTimer waited;
    waited.start();
    for (;;) {
        Statement mode(*this, m_db, "PRAGMA journal_mode = WAL");
        const int step = sqlite3_step(mode);
        if (step == SQLITE_ROW)
            return;
        if ((sqlite3_extended_errcode(m_db) & 0xff) != SQLITE_BUSY
            || waited.elapsed() >= BusyTimeoutMs)
            fail(u"write"_qs);
        QThread::msleep(20);
    }
}

void OutcomeStore::prepareStatements()
{
    const auto prepare = [&](sqlite3_stmt **statement, const QByteArray &sql) {
        if (sqlite3_prepare_v3(m_db, sql.constData(), int(sql.size()), SQLITE_PREPARE_PERSISTENT,
                               statement, nullptr)
            != SQLITE_OK)
            fail(u"read"_qs);
    };
    const QByteArray select = QByteArray("SELECT ") + Columns + " FROM checks ";
    prepare(
        &m_insert,
        QByteArray("INSERT OR IGNORE INTO checks (") + Columns
            + ") VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10, ?11, ?12, ?13, ?14, ?15, ?16)");
    prepare(&m_lastDecided,
            select + "WHERE link = ?1 AND verdict <> 'unknown' ORDER BY checked_at DESC LIMIT 1");
    prepare(&m_lastAny, select + "WHERE link = ?1 ORDER BY checked_at DESC LIMIT 1");
    const QByteArray video = "SELECT title, channel, channel_id, length_seconds FROM checks ";
    prepare(&m_videoByLink,
            video + "WHERE link = ?1 AND title IS NOT NULL ORDER BY checked_at DESC LIMIT 1");
    prepare(&m_videoById,
            video + "WHERE video_id = ?1 AND title IS NOT NULL ORDER BY checked_at DESC LIMIT 1");
    prepare(&m_validByLink,
            "SELECT max(checked_at) FROM checks WHERE link = ?1 AND verdict = 'valid'");
    prepare(&m_validById,
            "SELECT max(checked_at) FROM checks WHERE video_id = ?1 AND verdict = 'valid'");
}

void OutcomeStore::beginReading()
{
    // One read transaction over many lookups, rather than one each.
    if (m_transaction != Transaction::None)
        return;
    execute("BEGIN");
    m_transaction = Transaction::Reading;
}

void OutcomeStore::beginWriting()
{
    if (m_transaction == Transaction::Writing)
        return;
    // A read transaction cannot become a write once another run wrote: start afresh.
    endTransaction();
    execute("BEGIN IMMEDIATE");
    m_transaction = Transaction::Writing;
    m_transactionAge.start();
}

void OutcomeStore::endTransaction()
{
    if (m_transaction == Transaction::None)
        return;
    m_transaction = Transaction::None;
    execute("COMMIT");
}

std::optional<std::pair<CheckedLink, QDateTime>> OutcomeStore::latest(const QString &link)
{
    beginReading();
    for (sqlite3_stmt *statement : {m_lastDecided, m_lastAny}) {
        ResetAfter reset {statement};
        bindText(statement, 1, link);
        const int step = sqlite3_step(statement);
        if (step == SQLITE_ROW)
            return checkOf(statement);
        if (step != SQLITE_DONE)
            fail(u"read"_qs);
    }
    return std::nullopt;
}

std::optional<CheckedLink> OutcomeStore::lookup(const QString &link, const QDateTime &now)
{
    beginReading();
    ResetAfter reset {m_lastDecided};
    bindText(m_lastDecided, 1, link);
    const int step = sqlite3_step(m_lastDecided);
    if (step == SQLITE_DONE)
        return std::nullopt;
    if (step != SQLITE_ROW)
        fail(u"read"_qs);
    const qint64 age = now.toSecsSinceEpoch() - sqlite3_column_int64(m_lastDecided, 2);
    if (age < 0 || age > m_maxAge.count())
        return std::nullopt;
    return checkOf(m_lastDecided).first;
}

LinkHistory OutcomeStore::history(const QString &link)
{
    LinkHistory history;
    if (std::optional<std::pair<CheckedLink, QDateTime>> last = latest(link);
        last && last->first.verdict != LinkVerdict::Unknown) {
        history.lastVerdict = last->first.verdict;
        history.lastDecided = last->second;
    }
    // Details and validity follow the video, whichever spelling of its link was checked.
    const QString videoId = videoIdOf(link);
    const QString &key = videoId.isEmpty() ? link : videoId;
    sqlite3_stmt *video = videoId.isEmpty() ? m_videoByLink : m_videoById;
    sqlite3_stmt *valid = videoId.isEmpty() ? m_validByLink : m_validById;
    {
        ResetAfter reset {video};
        bindText(video, 1, key);
        const int step = sqlite3_step(video);
        if (step == SQLITE_ROW) {
            history.lastVideo.title = columnText(video, 0);
            history.lastVideo.channel = columnText(video, 1);
            history.lastVideo.channelId = columnText(video, 2);
            history.lastVideo.lengthSeconds = optionalNumber(video, 3);
        } else if (step != SQLITE_DONE) {
            fail(u"read"_qs);
        }
    }
    ResetAfter reset {valid};
    bindText(valid, 1, key);
    if (sqlite3_step(valid) != SQLITE_ROW)
        fail(u"read"_qs);
    if (auto seen = optionalNumber(valid, 0))
        history.lastSeenValid = timeOf(*seen);
    return history;
}

void OutcomeStore::record(const CheckedLink &checked, const QDateTime &found)
{
    beginWriting();
    {
        ResetAfter reset {m_insert};
        bindCheck(m_insert, checked, found.toSecsSinceEpoch());
        if (sqlite3_step(m_insert) != SQLITE_DONE)
            fail(u"write"_qs);
    }
    commit(false);
}

void OutcomeStore::commit(bool force)
{
    if (m_transaction == Transaction::Reading && force)
        endTransaction();
    if (m_transaction == Transaction::Writing
        && (force || m_transactionAge.elapsed() >= CommitEveryMs))
        endTransaction();
}

qsizetype OutcomeStore::merge(const QString &source)
{
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(u"Cannot read \"%1\": %2"_qs.arg(source, file.errorString()));
    const bool store = hasStoreHeader(file.read(Header.size()));
    file.close();
    endTransaction();
    const qsizetype before = qsizetype(sqlite3_total_changes64(m_db));
    beginWriting();
    if (store)
        mergeStore(source);
    else
        mergeJsonLines(source);
    endTransaction();
    return qsizetype(sqlite3_total_changes64(m_db)) - before;
}

qsizetype OutcomeStore::mergeStore(const QString &source)
{
    // Opened on its own, read-only, and checked as the store itself was.
    sqlite3 *db = nullptr;
    const auto closeSource = qScopeGuard([&] { sqlite3_close_v2(db); });
    const auto sourceFailure = [&] {
        return AppError(
            u"Cannot merge \"%1\": %2"_qs.arg(source, QString::fromUtf8(sqlite3_errmsg(db))));
    };
    if (sqlite3_open_v2(source.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr)
        != SQLITE_OK)
        throw sourceFailure();
    sqlite3_busy_timeout(db, BusyTimeoutMs);
    sqlite3_stmt *version = nullptr;
    if (sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &version, nullptr) != SQLITE_OK)
        throw sourceFailure();
    const int step = sqlite3_step(version);
    const qint64 number = sqlite3_column_int64(version, 0);
    sqlite3_finalize(version);
    if (step != SQLITE_ROW)
        throw sourceFailure();
    if (number != SchemaVersion)
        throw AppError(u"Cannot merge \"%1\": it is no store of this version (store version %2; "
                       "this one reads %3)"_qs.arg(source)
                           .arg(number)
                           .arg(SchemaVersion));
    sqlite3_stmt *rows = nullptr;
    if (sqlite3_prepare_v2(db, (QByteArray("SELECT ") + Columns + " FROM checks").constData(), -1,
                           &rows, nullptr)
        != SQLITE_OK)
        throw sourceFailure();
    const auto finalizeRows = qScopeGuard([&] { sqlite3_finalize(rows); });
    qsizetype copied = 0;
    int next;
    while ((next = sqlite3_step(rows)) == SQLITE_ROW) {
        ResetAfter reset {m_insert};
        for (int column = 0; column < 16; ++column)
            sqlite3_bind_value(m_insert, column + 1, sqlite3_column_value(rows, column));
        if (sqlite3_step(m_insert) != SQLITE_DONE)
            fail(u"write"_qs);
        ++copied;
    }
    if (next != SQLITE_DONE)
        throw sourceFailure();
    return copied;
}

qsizetype OutcomeStore::mergeJsonLines(const QString &source)
{
    QFile file(source);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(u"Cannot read \"%1\": %2"_qs.arg(source, file.errorString()));
    qsizetype read = 0;
    // Every entry, older ones of a link included: each was a check of its own. Lines that are
    // no entry are skipped, as the cache itself skips them.
    while (!file.atEnd()) {
        QByteArray line = file.readLine();
        if (!line.endsWith('\n'))
            break; // the torn line of a write cut short
        line.chop(1);
        const std::optional<std::pair<CheckedLink, QDateTime>> entry = LinkCache::parseLine(line);
        if (!entry)
            continue;
        ResetAfter reset {m_insert};
        bindCheck(m_insert, entry->first, entry->second.toSecsSinceEpoch());
        if (sqlite3_step(m_insert) != SQLITE_DONE)
            fail(u"write"_qs);
        ++read;
    }
    if (file.error() != QFileDevice::NoError)
        throw AppError(u"Cannot read \"%1\": %2"_qs.arg(source, file.errorString()));
    return read;
}
