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
    // Scans the lines of one file, named fileName in the sources. A video link counts wherever
    // it stands in a line ("&amp;" read as '&'); a bare video id only on a line of its own, or
    // as the first cell of a line after a CSV header whose first cell holds "id" (any case).
    void addFile(const QString &fileName, const QStringList &lines);

    // Every link found so far, in order of first occurrence.
    const QList<ExtractedLink> &links() const { return m_links; }

private:
    void add(const QString &link, const QString &source);

    QList<ExtractedLink> m_links;
    QSet<QString> m_seen;
};
