#include "core/LinkExtractor.h"

#include "core/LinkNormalizer.h"

#include <QRegularExpression>

namespace {
// The start of a link to one of the video hosts, with or without scheme, then everything up to
// a character that ends a link in HTML attributes, Markdown, CSV or prose. The host must not
// continue a longer name ("notyoutube.com") or path, and must be followed by / ? or #.
const QRegularExpression &linkPattern()
{
    static const QRegularExpression pattern(
        uR"((?<![A-Za-z0-9.@/_-])(?:https?:)?(?://)?(?:(?:www|m|music)\.)?)"
        uR"((?:youtube\.com|youtube-nocookie\.com|youtu\.be)(?=[/?#]))"
        uR"([^\s"'<>()\[\]{}\\|^`,]*)"_qs,
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

// Sentence punctuation right after a link in prose or Markdown emphasis is not part of it; none
// of these characters can end a canonical spelling.
QStringView withoutTrailingPunctuation(QStringView token)
{
    while (!token.isEmpty() && QStringView(u".!?;:*~").contains(token.back()))
        token.chop(1);
    return token;
}

// HTML writes '&' in attributes as an entity; the query of a link copied from a page does too.
QString withAmpersandsDecoded(const QString &line)
{
    QString decoded = line;
    for (QStringView entity : {u"&amp;", u"&#38;", u"&#x26;"})
        decoded.replace(entity.toString(), u"&"_qs, Qt::CaseInsensitive);
    return decoded;
}

// The first cell of a CSV line, without its quotes and the blanks around it.
QStringView firstCsvCell(QStringView line)
{
    QStringView cell = LinkNormalizer::trimmedBlanks(line);
    if (cell.startsWith(u'"')) {
        cell = cell.mid(1);
        return cell.left(cell.indexOf(u'"'));
    }
    return LinkNormalizer::trimmedBlanks(cell.left(cell.indexOf(u',')));
}

// A playlist export starts with a header row such as "Video ID,Time Added"; only then is a bare
// id in the first column taken, so a CSV of other words never yields ids.
bool isVideoIdCsvHeader(QStringView line)
{
    if (line.startsWith(QChar::ByteOrderMark))
        line = line.mid(1);
    return line.contains(u',') && firstCsvCell(line).contains(u"id", Qt::CaseInsensitive);
}
} // namespace

void LinkExtractor::addFile(const QString &fileName, const QStringList &lines)
{
    const bool playlistCsv = !lines.isEmpty() && isVideoIdCsvHeader(lines.first());
    for (qsizetype index = 0; index < lines.size(); ++index) {
        const QString &line = lines[index];
        const QString source = fileName + u':' + QString::number(index + 1);

        const QStringView trimmed = LinkNormalizer::trimmedBlanks(line);
        if (LinkNormalizer::isVideoId(trimmed)) {
            add(LinkNormalizer::watchLink(trimmed), source);
            continue;
        }
        if (playlistCsv && index > 0) {
            const QStringView cell = firstCsvCell(line);
            if (LinkNormalizer::isVideoId(cell))
                add(LinkNormalizer::watchLink(cell), source);
        }
        const QString decoded = withAmpersandsDecoded(line);
        for (const QRegularExpressionMatch &match : linkPattern().globalMatch(decoded)) {
            const QStringView token = withoutTrailingPunctuation(match.capturedView());
            if (const std::optional<QString> link = LinkNormalizer::canonicalVideoLink(token))
                add(*link, source);
        }
    }
}

void LinkExtractor::add(const QString &link, const QString &source)
{
    if (m_seen.contains(link))
        return;
    m_seen.insert(link);
    m_links.append({link, source});
}
