#include "cli/LinkCache.h"

#include "core/AppError.h"
#include "core/PlayabilityVerdict.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <cmath>
#include <limits>

namespace {
QString verdictWord(LinkVerdict verdict)
{
    return verdict == LinkVerdict::Valid ? u"valid"_qs : u"invalid"_qs;
}

// The entry a stored line holds, or none when any field is missing or of the wrong kind.
std::optional<std::pair<CheckedLink, QDateTime>> parseEntry(const QByteArray &line)
{
    QJsonParseError error;
    const QJsonDocument document = QJsonDocument::fromJson(line, &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    const QJsonObject object = document.object();
    const QJsonValue link = object[u"link"], verdict = object[u"verdict"],
                     reason = object[u"reason"], status = object[u"status"], http = object[u"http"],
                     decided = object[u"decided"];
    if (!link.isString() || link.toString().isEmpty() || !reason.isString()
        || !(status.isString() || status.isNull()) || !(http.isDouble() || http.isNull())
        || !decided.isString())
        return std::nullopt;

    CheckedLink checked;
    checked.link = link.toString();
    if (verdict == u"valid"_qs)
        checked.verdict = LinkVerdict::Valid;
    else if (verdict == u"invalid"_qs)
        checked.verdict = LinkVerdict::Invalid;
    else
        return std::nullopt; // unknown is never cached, whoever wrote it
    checked.reason = shortenedReason(reason.toString());
    if (status.isString())
        checked.status = status.toString();
    // Entries written before these were kept have none.
    for (const auto &[name, field] : {std::pair {u"siteReason", &checked.siteReason},
                                      std::pair {u"subreason", &checked.siteSubreason}}) {
        if (object[name].isString())
            *field = shortenedReason(object[name].toString());
    }
    checked.windowReason = shortenedReason(object[u"window"].toString());
    if (http.isDouble()) {
        const double code = http.toDouble();
        if (code != std::floor(code) || code < 0 || code > std::numeric_limits<int>::max())
            return std::nullopt;
        checked.http = int(code);
    }
    const QDateTime time = QDateTime::fromString(decided.toString(), Qt::ISODate);
    if (!time.isValid())
        return std::nullopt;
    return std::pair {checked, time};
}

// The time as stored: UTC, whole seconds.
QDateTime storedTime(const QDateTime &time)
{
    QDateTime utc = time.toUTC();
    utc.setTime(QTime(utc.time().hour(), utc.time().minute(), utc.time().second()));
    return utc;
}

[[noreturn]] void throwMaxAgeError(const QString &text)
{
    throw AppError(u"--max-age wants a whole number greater than 0, followed by d (days), "
                   "h (hours), m (minutes), s or nothing (seconds), for example 7d; "
                   "\"%1\" is not one."_qs.arg(text));
}
} // namespace

LinkCache::LinkCache(const QString &path, std::chrono::seconds maxAge)
    : m_file(path)
    , m_maxAge(maxAge)
{
    // Unbuffered: each entry goes to the file in the one write() that append() makes.
    if (!m_file.open(QIODevice::Append | QIODevice::Unbuffered))
        throw AppError(u"Cannot write \"%1\": %2"_qs.arg(path, m_file.errorString()));
    readEntries(path);
}

void LinkCache::readEntries(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(u"Cannot read \"%1\": %2"_qs.arg(path, file.errorString()));
    const QByteArray content = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw AppError(u"Cannot read \"%1\": %2"_qs.arg(path, file.errorString()));

    QList<QByteArray> lines = content.split('\n');
    // The piece after the last line feed is empty, or the torn line of a write cut short.
    m_lastLineTorn = !lines.takeLast().isEmpty();
    for (const QByteArray &line : std::as_const(lines)) {
        if (auto entry = parseEntry(line))
            m_entries.insert(entry->first.link, {entry->first, entry->second});
    }
}

std::optional<CheckedLink> LinkCache::lookup(const QString &link, const QDateTime &now) const
{
    const auto found = m_entries.constFind(link);
    if (found == m_entries.cend())
        return std::nullopt;
    const qint64 age = found->decided.secsTo(now);
    if (age < 0 || age > m_maxAge.count())
        return std::nullopt;
    return found->checked;
}

void LinkCache::append(const CheckedLink &checked, const QDateTime &decided)
{
    if (checked.verdict == LinkVerdict::Unknown)
        return;
    // A torn last line gets its line feed first, so the new entry starts a line of its own.
    const QByteArray bytes = (m_lastLineTorn ? "\n" : "") + entryLine(checked, decided);
    if (m_file.write(bytes) != bytes.size())
        throw AppError(u"Cannot write \"%1\": %2"_qs.arg(m_file.fileName(), m_file.errorString()));
    m_file.flush();
    m_lastLineTorn = false;

    CheckedLink stored = checked;
    stored.attempts = 0;
    stored.source.clear();
    m_entries.insert(checked.link, {stored, storedTime(decided)});
}

QByteArray LinkCache::entryLine(const CheckedLink &checked, const QDateTime &decided)
{
    QJsonObject object;
    object[u"link"] = checked.link;
    object[u"verdict"] = verdictWord(checked.verdict);
    object[u"reason"] = checked.reason;
    object[u"status"] = checked.status ? QJsonValue(*checked.status) : QJsonValue::Null;
    object[u"http"] = checked.http ? QJsonValue(*checked.http) : QJsonValue::Null;
    if (checked.siteReason)
        object[u"siteReason"] = *checked.siteReason;
    if (checked.siteSubreason)
        object[u"subreason"] = *checked.siteSubreason;
    object[u"window"] = checked.windowReason;
    object[u"decided"] = storedTime(decided).toString(Qt::ISODate);
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::chrono::seconds LinkCache::parseMaxAge(const QString &text)
{
    qint64 unit = 1;
    QStringView number = text;
    if (number.endsWith(u'd'))
        unit = 24 * 60 * 60;
    else if (number.endsWith(u'h'))
        unit = 60 * 60;
    else if (number.endsWith(u'm'))
        unit = 60;
    if (number.endsWith(u'd') || number.endsWith(u'h') || number.endsWith(u'm')
        || number.endsWith(u's'))
        number.chop(1);
    // Only ASCII digits: no sign, blanks or fractions, which toLongLong would let through.
    if (number.isEmpty() || !std::all_of(number.begin(), number.end(), [](QChar c) {
            return c >= u'0' && c <= u'9';
        }))
        throwMaxAgeError(text);
    bool ok = false;
    const qint64 count = number.toLongLong(&ok);
    if (!ok || count > std::numeric_limits<qint64>::max() / unit)
        throw AppError(u"--max-age \"%1\" is too long."_qs.arg(text));
    if (count == 0)
        throwMaxAgeError(text);
    return std::chrono::seconds(count * unit);
}
