// The --extract rule: finds every video link anywhere in files (HTML, Markdown, plain text, a
// playlist export or a dataset list in CSV or JSON) and gives each once, canonical, with where
// it was first seen.
#pragma once

#include "core/SeenLinks.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>
#include <utility>

struct ExtractedLink
{
    QString link; // the canonical watch link
    QString source; // "FILE:LINE" (line counted from 1) of its first occurrence

    bool operator==(const ExtractedLink &) const = default;
};

// Collects links over one or more files; a link already found in an earlier file or line is
// not repeated.
class LinkExtractor
{
public:
    // The longest line scanned whole. A longer one (a JSON list on one line, a runaway quoted
    // cell) comes in pieces of about this size, each searched for links only; its id cell is
    // still read when it stands whole, before a later cell, in the first piece.
    static constexpr qsizetype MaxLineLength = 1 << 20;

    // Collects the links, for links().
    LinkExtractor() = default;
    // Hands each new link to take at once and keeps none, so a list of millions of links needs
    // only the memory of the repeat check.
    explicit LinkExtractor(std::function<void(const ExtractedLink &)> take);

    // Scans the lines of one file, named fileName in the sources; a lone CR inside a line
    // ends a line too (old Mac files). Character references are read as the characters they
    // stand for ("&#038;" and "&amp;" as '&'). A video link counts wherever it stands; a bare
    // video id only where the text makes it one: after a v= or an id field ("v=ID",
    // "watch?v=ID", "\"videoId\": \"ID\"", "id: ID") or in a CSV column whose header names it
    // ("Video ID"), never as a word on its own.
    //
    // Dataset lists are read too: a CSV whose id column is named youtube_id, YTID, video_id,
    // videoid or id in any case, its header also in a '#' comment line ("# YTID, start_seconds,
    // ..."); a CSV without a header whose first cell is a video id in each of its first two
    // rows and every row after; JSON whose "url" or "id" fields hold links or ids, or whose
    // keys are ids ("v_" before the id allowed) of an object, unless the key is a word of
    // lower-case letters ("description").
    void addFile(const QString &fileName, const QStringList &lines);

    // addFile a line at a time: startFile, then each line's text in order, then endFile. A
    // line comes whole, or in pieces with endsLine false on each but the last.
    void startFile(const QString &fileName);
    void addText(QStringView text, bool endsLine = true);
    void endFile();

    // Rows of an id table whose id cell held no id, and lines too long to read whole, in the
    // file under way (since startFile).
    qint64 skippedInFile() const { return m_skipped; }

    // Every link found so far, in order of first occurrence (none when a take was given).
    const QList<ExtractedLink> &links() const { return m_links; }

private:
    enum class Table { None, Headed, Headless };

    void scanLine(QStringView line, qsizetype lineNumber);
    void takeIdOfLongRow(QStringView start);
    void scanTableRow(const QString &decoded, qsizetype lineNumber);
    void scanLinks(const QString &decoded, qsizetype lineNumber);
    void add(const QString &link, qsizetype lineNumber);

    std::function<void(const ExtractedLink &)> m_take;
    QList<ExtractedLink> m_links;
    SeenLinks m_seen;
    QString m_fileName;
    qsizetype m_lineNumber = 0;
    bool m_insideLongLine = false; // pieces of a too long line are coming
    bool m_seenContent = false; // a line other than blanks and comments came in this file
    Table m_table = Table::None;
    qsizetype m_idColumn = -1; // of the headed CSV table under way
    qsizetype m_headlessColumns = 0; // cells in each row of the headless table
    // The first row of what may be a headless table, until the second shows whether it is.
    std::optional<std::pair<QString, qsizetype>> m_firstHeadlessRow; // decoded, line number
    qint64 m_skipped = 0;
};
