// What a check run remembers between runs behind --cache: a SQLite store of every check, or the
// older file of one JSON object per line, chosen by what the file holds, used alike by the run.
#pragma once

#include "engine/CheckedLink.h"

#include <QDateTime>
#include <QString>

#include <chrono>
#include <memory>
#include <optional>

// What the store knew about a link before this run's outcome was added.
struct LinkHistory
{
    std::optional<LinkVerdict> lastVerdict; // the last decided one (valid or invalid)
    QDateTime lastDecided; // when it was decided; invalid when never
    VideoDetails lastVideo; // the last details a page gave for its video
    QDateTime lastSeenValid; // invalid when never
};

class OutcomeMemory
{
public:
    virtual ~OutcomeMemory() = default;

    // The last decided outcome of link when it was decided at most --max-age before now (and
    // not after it); attempts is 0 and source empty, as nothing was fetched for it in this run.
    virtual std::optional<CheckedLink> lookup(const QString &link, const QDateTime &now) = 0;
    // The last outcome of link at any age, decided if it ever was, with the time it was found;
    // none when the link was never checked.
    virtual std::optional<std::pair<CheckedLink, QDateTime>> latest(const QString &link) = 0;
    // Keeps an outcome found at the given time. Throws AppError with the reason when it cannot.
    virtual void record(const CheckedLink &checked, const QDateTime &found) = 0;
    // Makes what was recorded durable when it has waited long enough; with force at once.
    // Throws AppError with the reason when it cannot.
    virtual void commit(bool force) = 0;
    // Whether it keeps every check, so history() can say what changed.
    virtual bool keepsHistory() const = 0;
    // What it knew about link before; empty unless keepsHistory().
    virtual LinkHistory history(const QString &link) = 0;
    // A note for the user about opening it (a compaction that failed), or empty.
    virtual QString note() const { return {}; }
};

// The file's kind: an existing SQLite database is a store; any other existing, non-empty file
// is a file of JSON lines; a new or empty one becomes a store unless its name ends in .jsonl or
// .ndjson.
bool isOutcomeStore(const QString &path);

// Opens path as isOutcomeStore() decides. Throws AppError with one line naming the file and
// what is wrong with it.
std::unique_ptr<OutcomeMemory> openOutcomeMemory(const QString &path, std::chrono::seconds maxAge);
