#include "cli/ReportFormat.h"

#include <QStringList>

#include <algorithm>

namespace ReportFormat {
namespace {
const QString CsvLineEnd = u"\r\n"_qs;

// A spreadsheet runs a cell that starts with one of these as a formula, also after blanks,
// which it drops before it looks.
bool startsLikeAFormula(const QString &text)
{
    for (const QChar c : text) {
        if (c != u' ' && c != QChar::Nbsp)
            return QStringView(u"=+-@\t\r").contains(c);
    }
    return false;
}

QString csvField(const QString &text)
{
    const QString cell = startsLikeAFormula(text) ? u'\'' + text : text;
    if (!cell.contains(u',') && !cell.contains(u'"') && !cell.contains(u'\r')
        && !cell.contains(u'\n'))
        return cell;
    QString quoted = cell;
    quoted.replace(u'"', u"\"\""_qs);
    return u'"' + quoted + u'"';
}

QString httpText(const CheckedLink &checked)
{
    return checked.http ? QString::number(*checked.http) : QString();
}

// Line breaks and other control characters would end a table row or hide text; they are shown
// as their Unicode control pictures (U+2400 to U+2421), the rest of the invisible ones as U+FFFD,
// among them the bidirectional embeddings, overrides and isolates, which would reorder the text
// after them on the reader's screen.
QString withVisibleControls(const QString &text)
{
    QString visible;
    visible.reserve(text.size());
    for (QChar c : text) {
        const char16_t code = c.unicode();
        if (code < 0x20)
            visible += QChar(char16_t(0x2400 + code));
        else if (code == 0x7F)
            visible += QChar(char16_t(0x2421));
        else if ((code >= 0x80 && code < 0xA0) || code == 0x2028 || code == 0x2029
                 || (code >= 0x202A && code <= 0x202E) || (code >= 0x2066 && code <= 0x2069))
            visible += QChar::ReplacementCharacter;
        else
            visible += c;
    }
    return visible;
}

bool isAsciiPunctuation(QChar c)
{
    return QStringView(u"!\"#$%&'()*+,-./:;<=>?@[\\]^_`{|}~").contains(c);
}

// Plain text with every ASCII punctuation character escaped, so nothing in it is read as
// Markdown: no emphasis, HTML, link, automatic link or cell-ending pipe.
QString escapedText(const QString &text)
{
    QString escaped;
    for (QChar c : withVisibleControls(text)) {
        if (isAsciiPunctuation(c))
            escaped += u'\\';
        escaped += c;
    }
    return escaped;
}

// A code span shows its text exactly; only a pipe needs "\|" inside a table cell. A backslash
// in front of such a pipe would be read as escaping the escape, so text with a backslash is
// given as escaped plain text instead.
QString codeCell(const QString &text)
{
    if (text.isEmpty())
        return {};
    if (text.contains(u'\\'))
        return escapedText(text);
    QString content = withVisibleControls(text);
    content.replace(u"|"_qs, u"\\|"_qs);
    qsizetype longestTicks = 0, ticks = 0;
    for (QChar c : content) {
        ticks = c == u'`' ? ticks + 1 : 0;
        longestTicks = std::max(longestTicks, ticks);
    }
    const QString fence(longestTicks + 1, u'`');
    // The span drops one space on each side, and a backtick next to the fence would lengthen it.
    const bool pad = content.startsWith(u'`') || content.endsWith(u'`') || content.startsWith(u' ')
        || content.endsWith(u' ');
    const QString space = pad ? u" "_qs : QString();
    return fence + space + content + space + fence;
}

QString tableRow(const QStringList &cells)
{
    return u"| "_qs + cells.join(u" | "_qs) + u" |\n"_qs;
}

// A video's length as a player shows it: 4:05, 1:02:03.
QString lengthText(const std::optional<qint64> &seconds)
{
    if (!seconds)
        return {};
    const qint64 hours = *seconds / 3600, minutes = *seconds / 60 % 60, rest = *seconds % 60;
    const QString clock = u"%1:%2"_qs.arg(minutes).arg(rest, 2, 10, QChar(u'0'));
    return hours == 0 ? clock : u"%1:%2"_qs.arg(hours).arg(clock.rightJustified(5, u'0'));
}

struct Section
{
    LinkVerdict verdict;
    QString title;
    bool reason;
    bool status;
};

QString section(const Section &shape, const QList<CheckedLink> &results, bool withSource,
                bool withVideo, Subject subject)
{
    QList<const CheckedLink *> members;
    for (const CheckedLink &checked : results) {
        if (checked.verdict == shape.verdict)
            members << &checked;
    }
    QString text = u"## %1 (%2)\n\n"_qs.arg(shape.title).arg(members.size());
    if (members.isEmpty())
        return text + u"None.\n"_qs;

    const bool http = subject == Subject::Links;
    // What a store knew: when a now invalid link was last valid (its video's details are in
    // the video columns), and the verdict before this one.
    const bool lastKnown = shape.verdict == LinkVerdict::Invalid
        && std::any_of(members.begin(), members.end(),
                       [](const CheckedLink *c) { return c->lastSeenValid.isValid(); });
    const bool before = std::any_of(members.begin(), members.end(), [](const CheckedLink *c) {
        return c->previousDecided.isValid();
    });
    QStringList header {http ? u"Link"_qs : u"File"_qs};
    if (shape.reason)
        header << u"Reason"_qs;
    if (shape.status)
        header << u"Status"_qs;
    if (http)
        header << u"HTTP"_qs;
    if (withVideo)
        header << u"Title"_qs << u"Channel"_qs << u"Length"_qs;
    if (withSource)
        header << u"Source"_qs;
    if (lastKnown)
        header << u"Last seen valid"_qs;
    if (before)
        header << u"Before"_qs;
    text += tableRow(header) + tableRow(QStringList(header.size(), u"---"_qs));
    for (const CheckedLink *checked : std::as_const(members)) {
        QStringList cells {codeCell(checked->link)};
        if (shape.reason)
            cells << escapedText(checked->reason);
        if (shape.status)
            cells << codeCell(checked->status.value_or(QString()));
        if (http)
            cells << httpText(*checked);
        if (withVideo)
            cells << escapedText(checked->video.title) << escapedText(checked->video.channel)
                  << lengthText(checked->video.lengthSeconds);
        if (withSource)
            cells << escapedText(checked->source);
        if (lastKnown)
            cells << escapedText(checked->lastSeenValid.toString(Qt::ISODate));
        if (before)
            cells << escapedText(checked->previousDecided.isValid()
                                     ? verdictWord(*checked->previousVerdict) + u", "_qs
                                         + checked->previousDecided.toString(Qt::ISODate)
                                     : u"new"_qs);
        text += tableRow(cells);
    }
    return text;
}
} // namespace

QString verdictWord(LinkVerdict verdict)
{
    switch (verdict) {
    case LinkVerdict::Valid:
        return u"valid"_qs;
    case LinkVerdict::Invalid:
        return u"invalid"_qs;
    case LinkVerdict::Unknown:
        break;
    }
    return u"unknown"_qs;
}

QString siteOrOwnReason(const CheckedLink &checked)
{
    if (checked.siteReason)
        return *checked.siteReason;
    return checked.siteSubreason ? QString() : checked.reason;
}

std::optional<QString> cause(const CheckedLink &checked)
{
    if (checked.verdict != LinkVerdict::Unknown)
        return std::nullopt;
    return checked.reason;
}

QString csvHeader(SourceColumn sourceColumn, Subject subject)
{
    const QString columns = subject == Subject::Links
        ? u"link,verdict,reason,status,http,subreason,cause,title,channel,channel_id,"
          u"length_seconds"_qs
        : u"file,verdict,reason,status,subreason,cause,title,channel,channel_id,"
          u"length_seconds"_qs;
    return columns + (sourceColumn == SourceColumn::With ? u",source"_qs : QString()) + CsvLineEnd;
}

QString csvRow(const CheckedLink &checked, SourceColumn sourceColumn, Subject subject)
{
    QStringList fields {csvField(checked.link), verdictWord(checked.verdict),
                        csvField(siteOrOwnReason(checked)),
                        csvField(checked.status.value_or(QString()))};
    if (subject == Subject::Links)
        fields << httpText(checked);
    fields << csvField(checked.siteSubreason.value_or(QString()))
           << csvField(cause(checked).value_or(QString()));
    const VideoDetails &video = checked.video;
    fields << csvField(video.title) << csvField(video.channel) << csvField(video.channelId)
           << (video.lengthSeconds ? QString::number(*video.lengthSeconds) : QString());
    if (sourceColumn == SourceColumn::With)
        fields << csvField(checked.source);
    return fields.join(u',') + CsvLineEnd;
}

QList<std::pair<QString, std::optional<QString>>> storeFields(const CheckedLink &checked)
{
    const auto time = [](const QDateTime &value) {
        return value.isValid() ? std::optional<QString>(value.toUTC().toString(Qt::ISODate))
                               : std::nullopt;
    };
    // The video's own fields are every report's; these only a store can know.
    return {{u"last_seen_valid"_qs, time(checked.lastSeenValid)},
            {u"previous_verdict"_qs,
             checked.previousVerdict ? std::optional<QString>(verdictWord(*checked.previousVerdict))
                                     : std::nullopt},
            {u"previous_checked_at"_qs, time(checked.previousDecided)}};
}

QString csvStoreHeader()
{
    QString header;
    for (const auto &[name, value] : storeFields({}))
        header += u',' + name;
    return header;
}

QString csvStoreCells(const CheckedLink &checked)
{
    QString cells;
    for (const auto &[name, value] : storeFields(checked))
        cells += u',' + csvField(value.value_or(QString()));
    return cells;
}

QString markdownReport(const QList<CheckedLink> &results, Subject subject)
{
    const bool withSource = std::any_of(results.begin(), results.end(),
                                        [](const CheckedLink &c) { return !c.source.isEmpty(); });
    const bool withVideo = std::any_of(results.begin(), results.end(),
                                       [](const CheckedLink &c) { return !c.video.isEmpty(); });
    // A valid link has no reason, and its status is the plain OK.
    const Section sections[] = {{LinkVerdict::Valid, u"Valid"_qs, false, false},
                                {LinkVerdict::Invalid, u"Invalid"_qs, true, true},
                                {LinkVerdict::Unknown, u"Unknown"_qs, true, true}};
    QStringList parts;
    for (const Section &shape : sections)
        parts << section(shape, results, withSource, withVideo, subject);
    return parts.join(u'\n');
}
} // namespace ReportFormat
