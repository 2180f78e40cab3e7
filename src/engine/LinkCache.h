// The --cache store: remembers decided links between runs in a file of one JSON object per line,
// appended to, so a crash can cost at most the line being written, and compacted when it holds
// far more lines than it needs.
#pragma once

#include "engine/CheckedLink.h"

#include <QByteArray>
#include <QDateTime>
#include <QFile>
#include <QHash>
#include <QString>

#include <chrono>
#include <optional>

class LinkCache
{
public:
    // The most a store's entries may take: over a million entries, which compaction keeps any
    // real use far below; a store holding more is refused rather than held in memory. The
    // file itself may be larger, with the lines it no longer needs.
    static constexpr qint64 MaxBytes = qint64(256) * 1024 * 1024;
    // No entry line is longer (its texts are at most MaxReasonLength each); a longer line is
    // no entry and is skipped.
    static constexpr qint64 MaxLineBytes = 64 * 1024;
    // A store is compacted at opening when the lines it does not need (older entries of a link,
    // lines that are no entry) are at least this many and outnumber the entries it keeps, and
    // no other run has it open.
    static constexpr qsizetype CompactionMinimumWaste = 1000;

    // Opens the store at path for appending (creating it when missing) and reads its entries.
    // Lines that are not whole entries (a torn last line, invalid JSON, a missing or wrong field,
    // a verdict other than valid/invalid) are ignored; of several entries for a link the one
    // decided last counts (the later line when both were decided in the same second). Throws
    // AppError naming the file when it cannot be opened or read, holds more than MaxBytes, or is
    // no regular file (a device such as /dev/zero, a FIFO, a folder).
    LinkCache(const QString &path, std::chrono::seconds maxAge);

    // The stored outcome for link when it was decided at most maxAge before now (and not after
    // it); attempts is 0 and source empty, as nothing was fetched for it in this run.
    std::optional<CheckedLink> lookup(const QString &link, const QDateTime &now) const;

    // Stores a valid or invalid outcome decided at the given time with one write of one whole
    // line; an unknown outcome is never stored. Throws AppError with the system's reason when
    // the write fails.
    void append(const CheckedLink &checked, const QDateTime &decided);

    // Why the store could not be compacted at opening, or empty. The store is then used as it
    // was, unchanged.
    QString compactionFailure() const { return m_compactionFailure; }

    // One entry as stored: {"decided":…,"http":…,"link":…,"reason":…,"siteReason":…,"status":…,
    // "subreason":…,"verdict":…,"window":…} compact (siteReason and subreason only when the
    // page said them), then a line feed; decided in UTC to the second, e.g.
    // "2024-05-01T12:00:00Z". Reading shortens every text to MaxReasonLength.
    static QByteArray entryLine(const CheckedLink &checked, const QDateTime &decided);
    // The entry one line (without its line feed) holds and when it was decided, or none when
    // the line is no whole entry; what importing the file into a store reads.
    static std::optional<std::pair<CheckedLink, QDateTime>> parseLine(const QByteArray &line);

    // The --max-age value: a whole number greater than 0 followed by d, h, m or s, or by nothing
    // for seconds ("7d", "12h", "30m", "45s", "90"). Throws AppError with a clear message.
    static std::chrono::seconds parseMaxAge(const QString &text);

private:
    struct Entry
    {
        CheckedLink checked;
        QDateTime decided;
        qsizetype line = 0; // where it stood in the file, so compaction keeps the order
        qsizetype bytes = 0; // its line's length, for the bound on what is held
    };

    void openForAppending();
    void readEntries();
    void keep(Entry entry);
    void compact();

    QFile m_file;
    std::chrono::seconds m_maxAge;
    QHash<QString, Entry> m_entries;
    qsizetype m_lines = 0; // lines read, entries or not
    qint64 m_heldBytes = 0; // the lengths of the entries' lines
    bool m_lastLineTorn = false; // the file ends without a line feed
    QString m_compactionFailure;
};
