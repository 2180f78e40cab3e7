// The --cache store made for millions of links: one SQLite database (WAL mode) holding a row per
// check, read only for the links a run checks, committed at least every second.
#pragma once

#include "engine/OutcomeMemory.h"

#include <QByteArray>
#include <QElapsedTimer>
#include <QString>

#include <chrono>

struct sqlite3;
struct sqlite3_stmt;

class OutcomeStore final : public OutcomeMemory
{
public:
    // What PRAGMA user_version says of the schema this program writes.
    static constexpr int SchemaVersion = 1;
    // The first bytes of every SQLite database file.
    static constexpr QByteArrayView Header {"SQLite format 3\0", 16};
    static bool hasStoreHeader(QByteArrayView start) { return start.startsWith(Header); }
    // How long a run waits for another run's write to end before it fails.
    static constexpr int BusyTimeoutMs = 60'000;
    // Recorded outcomes are committed once the oldest uncommitted one is this old, so a run
    // killed at any moment loses at most the last second's.
    static constexpr qint64 CommitEveryMs = 500;

    // Opens or creates the store. A file that is another program's database, damaged, from a
    // newer schema or read-only is refused with AppError and left untouched.
    OutcomeStore(const QString &path, std::chrono::seconds maxAge);
    ~OutcomeStore() override;
    OutcomeStore(const OutcomeStore &) = delete;
    OutcomeStore &operator=(const OutcomeStore &) = delete;

    std::optional<CheckedLink> lookup(const QString &link, const QDateTime &now) override;
    std::optional<std::pair<CheckedLink, QDateTime>> latest(const QString &link) override;
    void record(const CheckedLink &checked, const QDateTime &found) override;
    void commit(bool force) override;
    bool keepsHistory() const override { return true; }
    LinkHistory history(const QString &link) override;

    // Adds every check that source holds and this store does not: another store, or a file of
    // JSON lines (each entry a check with no attempts count). Running it again adds nothing.
    // Returns how many checks were added. Throws AppError naming the file that failed.
    qsizetype merge(const QString &source);

    // The video id a link is stored under: its id when it is a video link, else empty.
    static QString videoIdOf(const QString &link);

private:
    class Statement;

    void openAndCheck();
    void useWriteAheadLog();
    void prepareStatements();
    void execute(const char *sql);
    void beginReading();
    void beginWriting();
    void endTransaction();
    qsizetype mergeStore(const QString &source);
    qsizetype mergeJsonLines(const QString &source);
    [[noreturn]] void fail(const QString &what) const;

    QString m_path;
    std::chrono::seconds m_maxAge;
    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_insert = nullptr;
    sqlite3_stmt *m_lastDecided = nullptr;
    sqlite3_stmt *m_lastAny = nullptr;
    sqlite3_stmt *m_videoByLink = nullptr;
    sqlite3_stmt *m_videoById = nullptr;
    sqlite3_stmt *m_validByLink = nullptr;
    sqlite3_stmt *m_validById = nullptr;
    enum class Transaction { None, Reading, Writing };
    Transaction m_transaction = Transaction::None;
    QElapsedTimer m_transactionAge; // since the oldest outcome not yet committed
};
