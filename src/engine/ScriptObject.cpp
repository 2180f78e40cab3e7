#include "engine/ScriptObject.h"

#include "core/TextReader.h"

#include <QJsonDocument>

#include <algorithm>

namespace {
// How much text after the label's brace is read. The largest status object the site is known to
// send is about 3 KB and its videoDetails about 10 KB, twice that escaped; one that has not
// closed within a mebi-character is none the reader will take.
constexpr qsizetype ReadingReach = 1 << 20;
// How far past the name its label may end: the closing quote escaped at any depth a page uses,
// the colon, the brace and the blanks a pretty-printer puts between them.
constexpr qsizetype LabelReach = 64;

char16_t foldAsciiCase(char16_t c)
{
    return (c >= u'A' && c <= u'Z') ? char16_t(c + (u'a' - u'A')) : c;
}

// Where name starts in text from from on, or -1. Only ASCII letters are folded, as the window's
// rule folds them, so no other character stands in for one of the name's.
qsizetype findName(QStringView text, QLatin1StringView name, qsizetype from)
{
    const auto found = std::search(text.begin() + from, text.end(), name.begin(), name.end(),
                                   [](QChar a, char b) { return foldAsciiCase(a.unicode()) == b; });
    return found == text.end() ? -1 : found - text.begin();
}

// What follows a mention of the name: the rest of an object's label, or not.
struct Label
{
    enum class Kind { NotALabel, TooShort, Label };
    Kind kind = Kind::NotALabel;
    int depth = 0; // how deep in the script's strings the object stands
    qsizetype brace = 0; // where its opening brace is
};

// The label's end is the name's closing quote, with 2^depth - 1 backslashes before it: none for
// plain JSON, one (\") in a string, three (\\\") in a string inside a string, and so on; then
// a colon and the object's brace, blanks allowed around the colon.
Label labelAfter(QStringView after)
{
    const qsizetype known = qMin(after.size(), LabelReach);
    const auto tooShort = [&] {
        return Label {after.size() < LabelReach ? Label::Kind::TooShort : Label::Kind::NotALabel};
    };
    qsizetype at = 0;
    while (at < known && after[at] == u'\\')
        ++at;
    if (at == known)
        return tooShort();
    const qsizetype backslashes = at;
    if (after[at] != u'"' || ((backslashes + 1) & backslashes) != 0)
        return {};
    Label label;
    for (qsizetype n = backslashes + 1; n > 1; n /= 2)
        ++label.depth;
    ++at;
    bool colon = false;
    for (; at < known; ++at) {
        const QChar c = after[at];
        if (c.isSpace())
            continue;
        if (c == u':' && !colon) {
            colon = true;
            continue;
        }
        if (c != u'{' || !colon)
            return {};
        label.kind = Label::Kind::Label;
        label.brace = at;
        return label;
    }
    return tooShort();
}

// Takes the page's text a piece at a time, finds the first label of the name (also one that
// spans pieces) and keeps up to ReadingReach characters from its brace on.
class LabelScanner
{
public:
    explicit LabelScanner(QLatin1StringView name)
        : m_name(name)
    {
    }

    // False once enough is kept.
    bool take(QStringView piece)
    {
        if (m_label.kind == Label::Kind::Label) {
            m_object += piece.first(qMin(piece.size(), ReadingReach - m_object.size()));
            return m_object.size() < ReadingReach;
        }
        m_pending += piece;
        for (qsizetype from = 0;;) {
            const qsizetype at = findName(m_pending, m_name, from);
            if (at < 0) {
                m_pending = m_pending.right(m_name.size() - 1);
                return true;
            }
            m_sawName = true;
            const QStringView after = QStringView(m_pending).sliced(at + m_name.size());
            const Label label = labelAfter(after);
            if (label.kind == Label::Kind::TooShort) {
                // The next piece tells whether this mention is a label.
                m_pending = m_pending.sliced(at);
                return true;
            }
            if (label.kind == Label::Kind::NotALabel) {
                from = at + 1;
                continue;
            }
            m_label = label;
            const QString pending = std::exchange(m_pending, QString());
            return take(QStringView(pending).sliced(at + m_name.size() + label.brace));
        }
    }

    bool sawName() const { return m_sawName; }
    bool foundLabel() const { return m_label.kind == Label::Kind::Label; }
    int depth() const { return m_label.depth; }
    const QString &object() const { return m_object; }

private:
    QLatin1StringView m_name;
    bool m_sawName = false;
    Label m_label;
    QString m_pending; // the text not yet passed over: where a label may begin
    QString m_object;
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
    qsizetype depth = 0;
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
} // namespace

ScriptObject readScriptObject(QByteArrayView page, QLatin1StringView name)
{
    LabelScanner scanner(name);
    TextReader::decodeInPieces(page, 1 << 16, [&](QStringView text) { return scanner.take(text); });
    ScriptObject read;
    if (!scanner.sawName())
        return read;
    read.found = ScriptObject::Found::Unreadable;
    if (!scanner.foundLabel())
        return read;
    read.raw = scanner.object().first(qMin(scanner.object().size(), ScriptObject::RawReach));

    QString text = scanner.object();
    for (int level = 0; level < scanner.depth(); ++level)
        text = unescapedOnce(text);
    const qsizetype length = objectLength(text);
    if (length < 0)
        return read;
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(text.first(length).toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return read;
    read.found = ScriptObject::Found::Read;
    read.object = document.object();
    return read;
}
