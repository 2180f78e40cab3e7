// The --cache store: remembers decided links between runs in an append-only file of one JSON
// object per line, so a crash can cost at most the line being written.
#pragma once

#include "cli/CheckedLink.h"

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
    // Opens the store at path for appending (creating it when missing) and reads its entries.
    // Lines that are not whole entries (a torn last line, invalid JSON, a missing or wrong field,
    // a verdict other than valid/invalid) are ignored; a later entry for a link replaces an
    // earlier one. Throws AppError naming the file when it cannot be opened or read.
    LinkCache(const QString &path, std::chrono::seconds maxAge);

    // The stored outcome for link when it was decided at most maxAge before now (and not after
    // it); attempts is 0 and source empty, as nothing was fetched for it in this run.
    std::optional<CheckedLink> lookup(const QString &link, const QDateTime &now) const;

    // Stores a valid or invalid outcome decided at the given time with one write of one whole
    // line; an unknown outcome is never stored. Throws AppError when the write fails.
    void append(const CheckedLink &checked, const QDateTime &decided);

    // One entry as stored: {"decided":…,"http":…,"link":…,"reason":…,"siteReason":…,"status":…,
    // "subreason":…,"verdict":…,"window":…} compact (siteReason and subreason only when the
    // page said them), then a line feed; decided in UTC to the second, e.g.
    // "2024-05-01T12:00:00Z". Reading shortens every text to MaxReasonLength.
    static QByteArray entryLine(const CheckedLink &checked, const QDateTime &decided);

    // The --max-age value: a whole number greater than 0 followed by d, h, m or s, or by nothing
    // for seconds ("7d", "12h", "30m", "45s", "90"). Throws AppError with a clear message.
    static std::chrono::seconds parseMaxAge(const QString &text);

private:
    struct Entry
    {
        CheckedLink checked;
        QDateTime decided;
    };

    void readEntries(const QString &path);

    QFile m_file;
    std::chrono::seconds m_maxAge;
    QHash<QString, Entry> m_entries;
    bool m_lastLineTorn = false; // the file ends without a line feed
};
