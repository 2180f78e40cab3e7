#include "core/LinkNormalizer.h"

#include <QSet>

#include <algorithm>

namespace LinkNormalizer {
namespace {
constexpr qsizetype VideoIdLength = 11;

bool isIdCharacter(QChar c)
{
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9')
        || c == u'_' || c == u'-';
}

// The id when path is prefix followed by an id and at most one closing slash.
std::optional<QStringView> idAfter(QStringView path, QStringView prefix)
{
    if (!path.startsWith(prefix))
        return std::nullopt;
    QStringView id = path.mid(prefix.size());
    if (id.endsWith(u'/'))
        id.chop(1);
    if (!isVideoId(id))
        return std::nullopt;
    return id;
}

// The first v=ID parameter of a query; a first v that is not an id spoils the link.
std::optional<QStringView> idInQuery(QStringView query)
{
    for (QStringView parameter : query.tokenize(u'&')) {
        if (parameter.startsWith(u"v=")) {
            const QStringView id = parameter.mid(2);
            if (!isVideoId(id))
                return std::nullopt;
            return id;
        }
    }
    return std::nullopt;
}

std::optional<QStringView> videoIdOf(const QString &host, QStringView path, QStringView query)
{
    if (host == u"youtu.be")
        return idAfter(path, u"/");
    if (host == u"youtube-nocookie.com" || host == u"www.youtube-nocookie.com")
        return idAfter(path, u"/embed/");
    if (host != u"youtube.com" && host != u"www.youtube.com" && host != u"m.youtube.com"
        && host != u"music.youtube.com")
        return std::nullopt;
    if (path == u"/watch" || path == u"/watch/")
        return idInQuery(query);
    for (QStringView prefix : {u"/shorts/", u"/embed/", u"/v/", u"/live/"}) {
        if (auto id = idAfter(path, prefix))
            return id;
    }
    return std::nullopt;
}
} // namespace

bool isVideoId(QStringView text)
{
    return text.size() == VideoIdLength && std::all_of(text.begin(), text.end(), isIdCharacter);
}

QString watchLink(QStringView id)
{
    return u"https://www.youtube.com/watch?v="_qs.append(id);
}

QStringView trimmedBlanks(QStringView text)
{
    while (!text.isEmpty() && (text.front() == u' ' || text.front() == u'\t'))
        text = text.mid(1);
    while (!text.isEmpty() && (text.back() == u' ' || text.back() == u'\t'))
        text.chop(1);
    return text;
}

std::optional<QString> canonicalVideoLink(QStringView text)
{
    if (isVideoId(text))
        return watchLink(text);
    // A link holds no blanks or control characters; "LINK and a remark" is not a link.
    if (std::any_of(text.begin(), text.end(), [](QChar c) { return c.unicode() <= 0x20; }))
        return std::nullopt;

    QStringView rest = text;
    for (QStringView scheme : {u"https://", u"http://", u"//"}) {
        if (rest.startsWith(scheme, Qt::CaseInsensitive)) {
            rest = rest.mid(scheme.size());
            break;
        }
    }
    const qsizetype fragment = rest.indexOf(u'#');
    if (fragment >= 0)
        rest = rest.left(fragment);
    QStringView query;
    const qsizetype questionMark = rest.indexOf(u'?');
    if (questionMark >= 0) {
        query = rest.mid(questionMark + 1);
        rest = rest.left(questionMark);
    }
    const qsizetype slash = rest.indexOf(u'/');
    if (slash < 0)
        return std::nullopt;
    const QString host = rest.left(slash).toString().toLower();
    const std::optional<QStringView> id = videoIdOf(host, rest.mid(slash), query);
    if (!id)
        return std::nullopt;
    return watchLink(*id);
}

std::optional<QString> Normalizer::take(QStringView line)
{
    const QStringView trimmed = trimmedBlanks(line);
    if (trimmed.isEmpty() || trimmed.startsWith(u'#'))
        return std::nullopt;
    QString link = canonicalVideoLink(trimmed).value_or(trimmed.toString());
    if (!m_seen.firstTime(link))
        return std::nullopt;
    return link;
}

QStringList normalizeLines(const QStringList &lines)
{
    QStringList links;
    Normalizer normalizer;
    for (const QString &line : lines) {
        if (std::optional<QString> link = normalizer.take(line))
            links << std::move(*link);
    }
    return links;
}
} // namespace LinkNormalizer
