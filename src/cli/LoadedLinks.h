// The links a check run loaded, held compactly: a list of millions of links costs about its
// UTF-8 text and one offset per link, not a string object and its copy per link.
#pragma once

#include <QByteArray>
#include <QHash>
#include <QString>

#include <vector>

// One link to check and, with --extract, where it was first found ("FILE:LINE").
struct LoadedLink
{
    QString link; // as printed and saved: the line as it stood, or the link --normalize made
    QString source;
    QString address; // what is fetched and cached: the link without the blanks around it
    // Why the line could not be read as written ("not valid UTF-8"), empty when it was: what
    // it says is not known, so it is reported as unknown rather than another address fetched.
    QString undecodable;
};

class LoadedLinks
{
public:
    void append(const QString &link, const QString &source, const QString &undecodable);
    // Room for this many more bytes of link text: a link file's size bounds its links', and
    // growing by doubling would hold up to twice the text while the list is read.
    void reserveText(qint64 bytes) { m_text.reserve(m_text.size() + bytes); }

    qsizetype size() const { return qsizetype(m_ends.size()); }
    bool isEmpty() const { return m_ends.empty(); }
    QString link(qsizetype index) const;
    // The link without the blanks around it.
    QString address(qsizetype index) const;
    QString source(qsizetype index) const { return m_sources.value(index); }
    QString undecodable(qsizetype index) const { return m_undecodable.value(index); }

private:
    QByteArray m_text; // every link's UTF-8, one after the other
    std::vector<qint64> m_ends; // where each link's text ends in m_text
    // The few that hold what UTF-8 cannot carry (a lone surrogate from a UTF-16 file), the
    // sources --extract found, and why an unreadable line could not be read; all by index.
    QHash<qsizetype, QString> m_exact;
    QHash<qsizetype, QString> m_sources;
    QHash<qsizetype, QString> m_undecodable;
};
