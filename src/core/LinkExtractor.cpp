#include "core/LinkExtractor.h"

#include "core/LinkNormalizer.h"

#include <QRegularExpression>

#include <algorithm>
#include <optional>
#include <utility>

namespace {
// The start of a link to one of the video hosts, with or without scheme, then everything up to
// a character that ends a link in HTML attributes, Markdown, CSV or prose (any white space,
// also a no-break space, and the typographic quotation marks, dashes and ellipsis around
// links in prose). The host must not continue a longer name ("notyoutube.com") or path, and must be
// followed by / ? or #.
const QRegularExpression &linkPattern()
{
    static const QRegularExpression pattern(
        uR"((?<![A-Za-z0-9.@/_-])(?:https?:)?(?://)?(?:(?:www|m|music)\.)?)"
        uR"((?:youtube\.com|youtube-nocookie\.com|youtu\.be)(?=[/?#]))"
        uR"([^\s"'<>()\[\]{}\\|^`,‘’“”«»…–—\x{200B}]*)"_qs,
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::UseUnicodePropertiesOption);
    return pattern;
}

// A v= parameter that stands as a word of its own ("v=ID", "watch?v=ID", "&v=ID").
const QRegularExpression &videoParameterPattern()
{
    static const QRegularExpression pattern(
        uR"((?<![A-Za-z0-9_])v=([A-Za-z0-9_-]{11})(?![A-Za-z0-9_-]))"_qs);
    return pattern;
}

// A field that names a video id: "id" as JSON or YAML write it ("\"id\": \"ID\"", "id: ID"),
// or a video id field written either way ("videoId", "video_id", "data-video-id=", "Video
// ID:"). A plain id= is left alone: in HTML it names an element ("id=\"description\"").
const QRegularExpression &idFieldPattern()
{
    static const QRegularExpression pattern(
        uR"((?<![A-Za-z0-9_])(?:(?:youtube[ _-]?)?video[ _-]?id|youtube[ _-]?id|ytid|(id)))"
        uR"(["']?[ \t]*([:=])[ \t]*)"
        uR"(["']?([A-Za-z0-9_-]{11})(?![A-Za-z0-9_-]))"_qs,
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

// A JSON key that is a video id, as such or after "v_", whose value is an object: the entries of
// a dataset kept by video ("\"v_QOlSCBRmfWY\": {\"url\": ...").
const QRegularExpression &idKeyPattern()
{
    static const QRegularExpression pattern(
        uR"key("(?:v_)?([A-Za-z0-9_-]{11})"[ \t]*:[ \t]*\{)key"_qs);
    return pattern;
}

// Eleven lower-case letters are a word ("description", "annotations") far more often than an id.
bool isLowerCaseWord(QStringView text)
{
    return std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'a' && c <= u'z'; });
}

// Sentence punctuation right after a link in prose or Markdown emphasis is not part of it; none
// of these characters can end a canonical spelling.
QStringView withoutTrailingPunctuation(QStringView token)
{
    while (!token.isEmpty() && QStringView(u".!?;:*~").contains(token.back()))
        token.chop(1);
    return token;
}

// The named references that can change what is found: every one of an ASCII character, and
// those of the spaces, dashes, quotation marks and the ellipsis written around links.
// clang-format off
constexpr std::pair<const char16_t *, char16_t> NamedReferences[] = {
    {u"AMP", u'&'}, {u"amp", u'&'}, {u"GT", u'>'}, {u"gt", u'>'}, {u"LT", u'<'}, {u"lt", u'<'},
    {u"QUOT", u'"'}, {u"quot", u'"'}, {u"apos", u'\''}, {u"Tab", u'\t'}, {u"NewLine", u'\n'},
    {u"excl", u'!'}, {u"num", u'#'}, {u"dollar", u'$'}, {u"percnt", u'%'}, {u"lpar", u'('},
    {u"rpar", u')'}, {u"ast", u'*'}, {u"midast", u'*'}, {u"plus", u'+'}, {u"comma", u','},
    {u"period", u'.'}, {u"sol", u'/'}, {u"colon", u':'}, {u"semi", u';'}, {u"equals", u'='},
    {u"quest", u'?'}, {u"commat", u'@'}, {u"lsqb", u'['}, {u"lbrack", u'['}, {u"bsol", u'\\'},
    {u"rsqb", u']'}, {u"rbrack", u']'}, {u"Hat", u'^'}, {u"lowbar", u'_'}, {u"UnderBar", u'_'},
    {u"grave", u'`'}, {u"DiacriticalGrave", u'`'}, {u"lcub", u'{'}, {u"lbrace", u'{'},
    {u"verbar", u'|'}, {u"vert", u'|'}, {u"VerticalLine", u'|'}, {u"rcub", u'}'},
    {u"rbrace", u'}'},
    {u"nbsp", u'\u00A0'}, {u"NonBreakingSpace", u'\u00A0'}, {u"ensp", u'\u2002'},
    {u"emsp", u'\u2003'}, {u"emsp13", u'\u2004'}, {u"emsp14", u'\u2005'}, {u"numsp", u'\u2007'},
    {u"puncsp", u'\u2008'}, {u"thinsp", u'\u2009'}, {u"ThinSpace", u'\u2009'},
    {u"hairsp", u'\u200A'}, {u"VeryThinSpace", u'\u200A'}, {u"ZeroWidthSpace", u'\u200B'},
    {u"NegativeVeryThinSpace", u'\u200B'}, {u"NegativeThinSpace", u'\u200B'},
    {u"NegativeMediumSpace", u'\u200B'}, {u"NegativeThickSpace", u'\u200B'},
    {u"MediumSpace", u'\u205F'}, {u"ndash", u'\u2013'}, {u"mdash", u'\u2014'},
    {u"lsquo", u'\u2018'}, {u"OpenCurlyQuote", u'\u2018'}, {u"rsquo", u'\u2019'},
    {u"rsquor", u'\u2019'}, {u"CloseCurlyQuote", u'\u2019'}, {u"ldquo", u'\u201C'},
    {u"OpenCurlyDoubleQuote", u'\u201C'}, {u"rdquo", u'\u201D'}, {u"rdquor", u'\u201D'},
    {u"CloseCurlyDoubleQuote", u'\u201D'}, {u"laquo", u'\u00AB'}, {u"raquo", u'\u00BB'},
    {u"hellip", u'\u2026'}, {u"mldr", u'\u2026'},
};
// clang-format on

bool isAsciiLetterOrDigit(QChar c)
{
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

int digitValue(QChar c, bool hex)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (hex && u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (hex && u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

// The numeric reference at text[at] ("&#" first), as HTML reads it: the closing ';' may be
// missing, and a number that names no character stands for U+FFFD. Sets *length to the
// reference's length, 0 when text[at] starts none.
QString numericReference(QStringView text, qsizetype at, qsizetype *length)
{
    qsizetype i = at + 2;
    const bool hex = i < text.size() && (text[i] == u'x' || text[i] == u'X');
    if (hex)
        ++i;
    const qsizetype digitsFrom = i;
    char32_t value = 0;
    for (; i < text.size(); ++i) {
        const int digit = digitValue(text[i], hex);
        if (digit < 0)
            break;
        value = qMin<char32_t>(value * (hex ? 16 : 10) + char32_t(digit), 0x110000);
    }
    if (i == digitsFrom) {
        *length = 0;
        return {};
    }
    if (i < text.size() && text[i] == u';')
        ++i;
    *length = i - at;
    if (value == 0 || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF))
        value = 0xFFFD;
    return QString::fromUcs4(&value, 1);
}

// The named reference at text[at] ('&' first) when it is one of NamedReferences.
std::optional<char16_t> namedReference(QStringView text, qsizetype at, qsizetype *length)
{
    qsizetype end = at + 1;
    while (end < text.size() && isAsciiLetterOrDigit(text[end]))
        ++end;
    if (end == at + 1 || end >= text.size() || text[end] != u';')
        return std::nullopt;
    const QStringView name = text.sliced(at + 1, end - at - 1);
    for (const auto &[known, character] : NamedReferences) {
        if (name == QStringView(known)) {
            *length = end + 1 - at;
            return character;
        }
    }
    return std::nullopt;
}

QString decodedOnce(const QString &text)
{
    QString decoded;
    decoded.reserve(text.size());
    qsizetype from = 0;
    for (qsizetype at = text.indexOf(u'&'); at >= 0; at = text.indexOf(u'&', at + 1)) {
        qsizetype length = 0;
        QString character;
        if (at + 1 < text.size() && text[at + 1] == u'#') {
            character = numericReference(text, at, &length);
        } else if (const auto named = namedReference(text, at, &length)) {
            character = QChar(*named);
        }
        if (length == 0)
            continue;
        decoded += QStringView(text).sliced(from, at - from);
        decoded += character;
        from = at + length;
        at = from - 1;
    }
    decoded += QStringView(text).sliced(from);
    return decoded;
}

// The cells of a CSV line: split at commas outside double quotes, each without its quotes and
// the blanks around it.
QStringList csvCells(QStringView line)
{
    QStringList cells;
    QString cell;
    bool quoted = false;
    for (qsizetype i = 0; i < line.size(); ++i) {
        const QChar c = line[i];
        if (quoted) {
            if (c == u'"' && i + 1 < line.size() && line[i + 1] == u'"') {
                cell += c;
                ++i;
            } else if (c == u'"') {
                quoted = false;
            } else {
                cell += c;
            }
        } else if (c == u'"' && LinkNormalizer::trimmedBlanks(cell).isEmpty()) {
            cell.clear();
            quoted = true;
        } else if (c == u',') {
            cells << LinkNormalizer::trimmedBlanks(cell).toString();
            cell.clear();
        } else {
            cell += c;
        }
    }
    cells << LinkNormalizer::trimmedBlanks(cell).toString();
    return cells;
}

// A header cell that names the video id column: "id", "Video ID", "video_id", "videoId",
// "youtube_id", "YTID".
bool namesVideoIds(QString cell)
{
    cell = cell.toLower().remove(u' ').remove(u'_').remove(u'-').remove(QChar::ByteOrderMark);
    return cell == u"id" || cell == u"ytid" || cell == u"youtubeid" || cell.endsWith(u"videoid");
}

// The column of a CSV header row that holds the video ids (a playlist export starts its table
// with "Video ID,Time Added", a dataset list may put its header in a comment: "# YTID,
// start_seconds"), or -1 when the line is no such header.
qsizetype idColumnOfHeader(QStringView line)
{
    if (!line.contains(u','))
        return -1;
    line = LinkNormalizer::trimmedBlanks(line);
    if (line.startsWith(u'#'))
        line = line.sliced(1);
    const QStringList cells = csvCells(line);
    for (qsizetype i = 0; i < cells.size(); ++i) {
        if (namesVideoIds(cells[i]))
            return i;
    }
    return -1;
}

// True when what stands before position at in line, back to the last blank or quote, is an
// address of its own ("example.com/watch?"): its v= belongs to that address, not to a video.
bool partOfAnAddress(QStringView line, qsizetype at)
{
    qsizetype start = at;
    while (start > 0 && !line[start - 1].isSpace()
           && !QStringView(u"\"'<>()[]{}|`,").contains(line[start - 1]))
        --start;
    const QStringView word = line.sliced(start, at - start);
    return word.contains(u'.') || word.contains(u"//");
}

// text with every numeric character reference ("&#38;", "&#x26;", with or without the closing
// ';') and every named one of NamedReferences replaced by its character. Other named references
// stand for letters and symbols that no part of a video link holds, and stay as written.
QString withCharacterReferencesDecoded(const QString &text)
{
    // A feed that carries HTML escapes it once more ("&amp;amp;"); a few rounds undo that too.
    QString decoded = text;
    for (int round = 0; round < 3 && decoded.contains(u'&'); ++round) {
        QString next = decodedOnce(decoded);
        if (next == decoded)
            break;
        decoded = std::move(next);
    }
    return decoded;
}
} // namespace

LinkExtractor::LinkExtractor(std::function<void(const ExtractedLink &)> take)
    : m_take(std::move(take))
{
}

void LinkExtractor::addFile(const QString &fileName, const QStringList &lines)
{
    startFile(fileName);
    for (const QString &line : lines)
        addText(line);
    endFile();
}

void LinkExtractor::startFile(const QString &fileName)
{
    m_fileName = fileName;
    m_lineNumber = 0;
    m_insideLongLine = false;
    m_seenContent = false;
    m_table = Table::None;
    m_idColumn = -1;
    m_firstHeadlessRow.reset();
    m_skipped = 0;
}

void LinkExtractor::addText(QStringView text, bool endsLine)
{
    if (!endsLine || m_insideLongLine) {
        // Too long to be a row of a list: only the links in it are looked for, piece by piece.
        if (!m_insideLongLine) {
            m_insideLongLine = true;
            ++m_skipped;
            ++m_lineNumber;
            takeIdOfLongRow(text);
        }
        scanLinks(withCharacterReferencesDecoded(text.toString()), m_lineNumber);
        m_insideLongLine = !endsLine;
        return;
    }
    // The CR of a CR LF line end stays with the line when the reader split at LF alone.
    if (text.endsWith(u'\r'))
        text.chop(1);
    for (QStringView part : text.tokenize(u'\r'))
        scanLine(part, ++m_lineNumber);
}

void LinkExtractor::takeIdOfLongRow(QStringView start)
{
    // The id cell counts when it stands whole before the piece ends (a later cell runs on).
    if (m_table == Table::None)
        return;
    const QStringList cells = csvCells(withCharacterReferencesDecoded(start.toString()));
    const qsizetype column = m_table == Table::Headless ? 0 : m_idColumn;
    if (column < cells.size() - 1 && LinkNormalizer::isVideoId(cells[column]))
        add(LinkNormalizer::watchLink(cells[column]), m_lineNumber);
}

void LinkExtractor::endFile()
{
    // One row alone does not show a headless table: its first cell is taken for no id.
    if (m_firstHeadlessRow) {
        const auto [row, lineNumber] = *m_firstHeadlessRow;
        m_firstHeadlessRow.reset();
        scanLinks(row, lineNumber);
    }
}

void LinkExtractor::scanLine(QStringView line, qsizetype lineNumber)
{
    const QString decoded = withCharacterReferencesDecoded(line.toString());
    const QStringView trimmed = LinkNormalizer::trimmedBlanks(decoded);

    // A table runs from its header row (or its first row) to the next blank line.
    if (trimmed.isEmpty()) {
        endFile();
        m_table = Table::None;
        return;
    }
    if (const qsizetype column = idColumnOfHeader(decoded); column >= 0) {
        endFile();
        m_table = Table::Headed;
        m_idColumn = column;
        m_seenContent = true;
    } else if (trimmed.startsWith(u'#')) {
        // A comment says nothing of the shape of the rows.
    } else if (m_table != Table::None) {
        scanTableRow(decoded, lineNumber);
    } else if (!m_seenContent) {
        m_seenContent = true;
        const QStringList cells = csvCells(decoded);
        if (cells.size() > 1 && LinkNormalizer::isVideoId(cells.first())) {
            // Taken once the next row shows the same shape.
            m_firstHeadlessRow = {decoded, lineNumber};
            m_headlessColumns = cells.size();
            return;
        }
    } else if (m_firstHeadlessRow) {
        const auto [first, firstLineNumber] = *m_firstHeadlessRow;
        m_firstHeadlessRow.reset();
        const QStringList cells = csvCells(decoded);
        if (cells.size() == m_headlessColumns && LinkNormalizer::isVideoId(cells.first())) {
            m_table = Table::Headless;
            scanTableRow(first, firstLineNumber);
            scanLinks(first, firstLineNumber);
            scanTableRow(decoded, lineNumber);
        } else {
            scanLinks(first, firstLineNumber);
        }
    }
    scanLinks(decoded, lineNumber);
}

void LinkExtractor::scanTableRow(const QString &decoded, qsizetype lineNumber)
{
    const QStringList cells = csvCells(decoded);
    const bool headless = m_table == Table::Headless;
    const QString cell = cells.value(headless ? 0 : m_idColumn);
    if (LinkNormalizer::isVideoId(cell) && (!headless || cells.size() == m_headlessColumns))
        add(LinkNormalizer::watchLink(cell), lineNumber);
    else
        ++m_skipped;
}

void LinkExtractor::scanLinks(const QString &decoded, qsizetype lineNumber)
{
    // Each pattern needs a word of its own in the line; most rows of a dataset list hold none,
    // and looking for the words is far quicker than running the patterns.
    QList<std::pair<qsizetype, QString>> found; // in the order they stand in the line
    const auto takeIds = [&](const QRegularExpression &pattern, int idGroup, auto accepts) {
        for (const QRegularExpressionMatch &match : pattern.globalMatch(decoded)) {
            if (accepts(match))
                found.append({match.capturedStart(idGroup),
                              LinkNormalizer::watchLink(match.capturedView(idGroup))});
        }
    };
    if (decoded.contains(u"id", Qt::CaseInsensitive)) {
        takeIds(idFieldPattern(), 3, [](const QRegularExpressionMatch &match) {
            return !(match.hasCaptured(1) && match.capturedView(2) == u"=");
        });
    }
    if (decoded.contains(u'{')) {
        takeIds(idKeyPattern(), 1, [](const QRegularExpressionMatch &match) {
            return !isLowerCaseWord(match.capturedView(1));
        });
    }
    if (decoded.contains(u"v=")) {
        takeIds(videoParameterPattern(), 1, [&](const QRegularExpressionMatch &match) {
            return !partOfAnAddress(decoded, match.capturedStart());
        });
    }
    if (decoded.contains(u"youtu", Qt::CaseInsensitive)) {
        for (const QRegularExpressionMatch &match : linkPattern().globalMatch(decoded)) {
            const QStringView token = withoutTrailingPunctuation(match.capturedView());
            if (std::optional<QString> link = LinkNormalizer::canonicalVideoLink(token))
                found.append({match.capturedStart(), std::move(*link)});
        }
    }
    std::stable_sort(found.begin(), found.end(),
                     [](const auto &a, const auto &b) { return a.first < b.first; });
    for (const auto &[position, link] : found)
        add(link, lineNumber);
}

void LinkExtractor::add(const QString &link, qsizetype lineNumber)
{
    if (!m_seen.firstTime(link))
        return;
    ExtractedLink extracted {link, m_fileName + u':' + QString::number(lineNumber)};
    if (m_take)
        m_take(extracted);
    else
        m_links.append(std::move(extracted));
}
