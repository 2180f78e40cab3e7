#include "cli/CheckedLinkFormat.h"

#include "cli/CheckCommandLine.h"
#include "cli/ReportFormat.h"

namespace CheckedLinkFormat {

QString printableField(const QString &text)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        // The 8-bit controls (a terminal takes U+009B as CSI) and the bidirectional overrides
        // and isolates (which reorder what follows them) are as dangerous as C0.
        if ((u >= 0x80 && u <= 0x9F) || (u >= 0x202A && u <= 0x202E)
            || (u >= 0x2066 && u <= 0x2069)) {
            shown += QStringLiteral("\\u%1").arg(int(u), 4, 16, QChar(u'0'));
            continue;
        }
        if (u >= 0x20 && u != 0x7F) {
            shown += c;
            continue;
        }
        switch (u) {
        case u'\t':
            shown += u"\\t";
            break;
        case u'\n':
            shown += u"\\n";
            break;
        case u'\r':
            shown += u"\\r";
            break;
        default:
            shown += QStringLiteral("\\x%1").arg(int(u), 2, 16, QChar(u'0'));
            break;
        }
    }
    return shown;
}

QString textLine(const CheckedLink &checked)
{
    QString line
        = ReportFormat::verdictWord(checked.verdict) + u'\t' + printableField(checked.link);
    if (checked.verdict != LinkVerdict::Valid)
        line += u'\t' + printableField(checked.reason);
    return line + u'\n';
}

QString jsonLine(const CheckedLink &checked, ReportFormat::Subject subject)
{
    using CheckCommandLine::jsonString;
    const auto stringOrNull = [](const std::optional<QString> &text) {
        return text ? jsonString(*text) : u"null"_qs;
    };
    const bool link = subject == ReportFormat::Subject::Links;
    QString line = (link ? u"{\"link\":"_qs : u"{\"file\":"_qs) + jsonString(checked.link);
    if (!checked.source.isEmpty())
        line += u",\"source\":"_qs + jsonString(checked.source);
    line += u",\"verdict\":\""_qs + ReportFormat::verdictWord(checked.verdict)
        + u"\",\"reason\":"_qs + jsonString(ReportFormat::siteOrOwnReason(checked))
        + u",\"subreason\":"_qs + stringOrNull(checked.siteSubreason) + u",\"status\":"_qs
        + stringOrNull(checked.status) + u",\"cause\":"_qs
        + stringOrNull(ReportFormat::cause(checked));
    // Only a page that named its video adds its fields, so other lines stay as they were.
    const VideoDetails &video = checked.video;
    if (!video.isEmpty()) {
        const auto textOrNull = [&](const QString &text) {
            return text.isEmpty() ? u"null"_qs : jsonString(text);
        };
        line += u",\"title\":"_qs + textOrNull(video.title) + u",\"channel\":"_qs
            + textOrNull(video.channel) + u",\"channel_id\":"_qs + textOrNull(video.channelId)
            + u",\"length_seconds\":"_qs
            + (video.lengthSeconds ? QString::number(*video.lengthSeconds) : u"null"_qs);
    }
    if (link)
        line += u",\"http\":"_qs + (checked.http ? QString::number(*checked.http) : u"null"_qs)
            + u",\"attempts\":"_qs + QString::number(checked.attempts);
    // What a store knows about the link, where it knows anything.
    for (const auto &[name, value] : ReportFormat::storeFields(checked)) {
        if (value)
            line += u",\""_qs + name + u"\":"_qs + jsonString(*value);
    }
    return line + u"}\n"_qs;
}

QString changeText(const CheckedLink &checked)
{
    if (!checked.previousVerdict)
        return u"new"_qs;
    return u"was %1 on %2"_qs.arg(ReportFormat::verdictWord(*checked.previousVerdict),
                                  checked.previousDecided.toUTC().toString(Qt::ISODate));
}

} // namespace CheckedLinkFormat
