#include "engine/PlayabilityObject.h"

#include "core/TextReader.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <algorithm>

namespace {
constexpr QStringView Marker = u"playabilitystatus";

// How much text after the marker is read. The largest status object the site is known to send
// is about 3 KB, twice that escaped; one that has not closed within a mebi-character is none
// the reader will take, and the window's rule alone speaks for such a page.
constexpr qsizetype ReadingReach = 1 << 20;

char16_t foldAsciiCase(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
}

// Where the marker starts in text, or -1. Only ASCII letters are folded, as the window's rule
// folds them, so no other character stands in for one of the marker's.
qsizetype findMarker(QStringView text)
{
    const auto found
        = std::search(text.begin(), text.end(), Marker.begin(), Marker.end(),
                      [](QChar a, QChar b) { return foldAsciiCase(a.unicode()) == b.unicode(); });
    return found == text.end() ? -1 : found - text.begin();
}

// Takes the page's text a piece at a time, finds the first marker (also one that spans two
// pieces) and keeps up to ReadingReach characters of what follows it.
class MarkerScanner
{
public:
    // False once enough is kept.
    bool take(QStringView piece)
    {
        if (m_found) {
            m_after += piece.first(qMin(piece.size(), ReadingReach - m_after.size()));
            return m_after.size() < ReadingReach;
        }
        const QString searched = m_tail + piece.toString();
        const qsizetype at = findMarker(searched);
        if (at < 0) {
            m_tail = searched.right(Marker.size() - 1);
            return true;
        }
        m_found = true;
        m_tail.clear();
        return take(QStringView(searched).sliced(at + Marker.size()));
    }

    bool found() const { return m_found; }
    const QString &after() const { return m_after; }

private:
    bool m_found = false;
    QString m_tail; // the end of the text so far, where a marker may begin
    QString m_after;
};

int hexValue(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// The character a \uXXXX or \xHH escape at text[at] (its backslash) stands for, and how long
// the escape is; 0 when it is no whole escape.
std::pair<char16_t, qsizetype> hexEscape(QStringView text, qsizetype at, qsizetype digits)
{
    if (at + 2 + digits > text.size())
        return {0, 0};
    int value = 0;
    for (qsizetype k = 0; k < digits; ++k) {
        const int digit = hexValue(text[at + 2 + k]);
        if (digit < 0)
            return {0, 0};
        value = value * 16 + digit;
    }
    return {char16_t(value), 2 + digits};
}

// The text inside a string of the page's script, from its start to the first quote that
// ends it (or to the end of text), with one level of escapes undone as the script would.
QString unescapedOnce(QStringView text)
{
    QString plain;
    plain.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'"')
            break;
        if (c != u'\\' || i + 1 == text.size()) {
            plain += c;
            continue;
        }
        const QChar next = text[i + 1];
        qsizetype length = 2;
        switch (next.unicode()) {
        case u'n':
            plain += u'\n';
            break;
        case u'r':
            plain += u'\r';
            break;
        case u't':
            plain += u'\t';
            break;
        case u'b':
            plain += u'\b';
            break;
        case u'f':
            plain += u'\f';
            break;
        case u'u':
        case u'x': {
            const auto [code, escapeLength] = hexEscape(text, i, next == u'u' ? 4 : 2);
            if (escapeLength == 0) {
                plain += next;
            } else {
                plain += QChar(code);
                length = escapeLength;
            }
            break;
        }
        default: // \" \\ \/ \' and every other escaped character stand for themselves
            plain += next;
            break;
        }
        i += length - 1;
    }
    return plain;
}

// The length of the JSON object text starts with, through its closing brace; -1 when it does
// not close within text.
qsizetype objectLength(QStringView text)
{
    int depth = 0;
    bool inString = false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (inString) {
            if (c == u'\\')
                ++i;
            else if (c == u'"')
                inString = false;
        } else if (c == u'"') {
            inString = true;
        } else if (c == u'{' || c == u'[') {
            ++depth;
        } else if (c == u'}' || c == u']') {
            if (--depth == 0)
                return i + 1;
        }
    }
    return -1;
}

// How deep in the page's strings the object lies, read from the backslashes before the
// marker's closing quote: none for plain JSON, one (\") in a string, three (\\\") in a string
// inside a string, and so on. Sets at to just after that quote; -1 when no quote follows.
int escapeDepth(QStringView after, qsizetype &at)
{
    qsizetype backslashes = 0;
    while (backslashes < after.size() && after[backslashes] == u'\\')
        ++backslashes;
    if (backslashes == after.size() || after[backslashes] != u'"')
        return -1;
    // 2^depth - 1 backslashes escape a quote at that depth.
    if (((backslashes + 1) & backslashes) != 0)
        return -1;
    at = backslashes + 1;
    int depth = 0;
    for (qsizetype n = backslashes + 1; n > 1; n /= 2)
        ++depth;
    return depth;
}

qsizetype skipBlanks(QStringView text, qsizetype at)
{
    while (at < text.size() && text[at].isSpace())
        ++at;
    return at;
}

// A text as the site writes it: a plain string, {"simpleText":...} or {"runs":[{"text":...}]}.
QString textOf(const QJsonValue &value)
{
    if (value.isString())
        return value.toString();
    const QJsonObject object = value.toObject();
    if (object.value(u"simpleText").isString())
        return object.value(u"simpleText").toString();
    QString joined;
    for (const QJsonValue &run : object.value(u"runs").toArray())
        joined += run.toObject().value(u"text").toString();
    return joined;
}

// The renderer of the error screen ({"playerErrorMessageRenderer":{...}} or another kind).
QJsonObject errorScreenRenderer(const QJsonObject &status)
{
    const QJsonObject screen = status.value(u"errorScreen").toObject();
    for (auto it = screen.begin(); it != screen.end(); ++it) {
        if (it.value().isObject())
            return it.value().toObject();
    }
    return {};
}

PlayabilityObject readObjectAfterMarker(QStringView after)
{
    PlayabilityObject read;
    read.found = PlayabilityObject::Found::Unreadable;
    qsizetype at = 0;
    const int depth = escapeDepth(after, at);
    if (depth < 0)
        return read;
    at = skipBlanks(after, at);
    if (at == after.size() || after[at] != u':')
        return read;
    at = skipBlanks(after, at + 1);
    if (at == after.size() || after[at] != u'{')
        return read;

    QString text = after.sliced(at).toString();
    for (int level = 0; level < depth; ++level)
        text = unescapedOnce(text);
    const qsizetype length = objectLength(text);
    if (length < 0)
        return read;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.first(length).toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return read;

    const QJsonObject status = document.object();
    const QJsonObject renderer = errorScreenRenderer(status);
    read.found = PlayabilityObject::Found::Read;
    read.status = status.value(u"status").toString();
    read.reason = textOf(status.value(u"reason")).trimmed();
    if (read.reason.isEmpty())
        read.reason = textOf(renderer.value(u"reason")).trimmed();
    read.subreason = textOf(renderer.value(u"subreason")).trimmed();
    return read;
}
} // namespace

QString PlayabilityObject::message() const
{
    if (reason.isEmpty())
        return subreason;
    if (subreason.isEmpty() || subreason == reason)
        return reason;
    return reason + u" - "_qs + subreason;
}

PlayabilityObject readPlayabilityObject(QByteArrayView page)
{
    MarkerScanner scanner;
    TextReader::decodeInPieces(page, 1 << 16, [&](QStringView text) { return scanner.take(text); });
    if (!scanner.found())
        return {};
    return readObjectAfterMarker(scanner.after());
}
