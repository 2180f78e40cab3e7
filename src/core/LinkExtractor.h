// The --extract rule: finds every video link anywhere in files (HTML, Markdown, plain text, a
// playlist export in CSV) and gives each once, canonical, with where it was first seen.
#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

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
    // Scans the lines of one file, named fileName in the sources; a lone CR inside a line
    // ends a line too (old Mac files). Character references are read as the characters they
    // stand for ("&#038;" and "&amp;" as '&'). A video link counts wherever it stands; a bare
    // video id only where the text makes it one: after a v= or an id field ("v=ID",
    // "watch?v=ID", "\"videoId\": \"ID\"", "id: ID") or in a CSV column whose header names it
    // ("Video ID"), never as a word on its own.
    void addFile(const QString &fileName, const QStringList &lines);

    // Every link found so far, in order of first occurrence.
    const QList<ExtractedLink> &links() const { return m_links; }

private:
    void scanLine(QStringView line, const QString &source);
    void add(const QString &link, const QString &source);

    QList<ExtractedLink> m_links;
    QSet<QString> m_seen;
    qsizetype m_idColumn = -1; // of the CSV table under way, -1 outside one
};
