#include "engine/LinkCache.h"

#include "core/AppError.h"
#include "core/FileErrorReason.h"
#include "core/PlayabilityVerdict.h"
#include "system/ReplaceFile.h"
#include "system/SharedFile.h"

#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QSaveFile>

#include <algorithm>
#include <cerrno>
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
    // What the page said of its video, when it said it: kept so a cached link reports it too.
    checked.video.title = shortenedReason(object[u"title"].toString());
    checked.video.channel = shortenedReason(object[u"channel"].toString());
    checked.video.channelId = shortenedReason(object[u"channelId"].toString());
    if (object[u"lengthSeconds"].isDouble() && object[u"lengthSeconds"].toInteger(-1) >= 0)
        checked.video.lengthSeconds = object[u"lengthSeconds"].toInteger();
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
    // A device or a FIFO is never a store: /dev/zero would be read for ever, /dev/null would
    // keep nothing, and opening a FIFO would wait for a reader.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        throw AppError(u"Cannot use \"%1\" as the cache: it is not a regular file"_qs.arg(path));
    openForAppending();
    // Runs sharing the store each hold a shared lock on it while they run. Only a run that has
    // it to itself may compact it; one that starts meanwhile waits for that, then finds the
    // old file replaced and opens the new one.
    bool alone = false;
    for (;;) {
        alone = SharedFile::tryLockAlone(m_file);
        if (!alone)
            SharedFile::lockShared(m_file);
        if (SharedFile::isStillNamedBy(m_file, path))
            break;
        m_file.close();
        openForAppending();
    }
    readEntries();
    const qsizetype waste = m_lines - m_entries.size();
    if (alone && waste >= CompactionMinimumWaste && waste > m_entries.size())
        compact();
    SharedFile::lockShared(m_file);
}

void LinkCache::openForAppending()
{
    // Unbuffered: each entry goes to the file in the one write() that append() makes.
    if (!m_file.open(QIODevice::Append | QIODevice::Unbuffered))
        throw AppError(u"Cannot write \"%1\": %2"_qs.arg(m_file.fileName(), m_file.errorString()));
}

void LinkCache::readEntries()
{
    const QString path = m_file.fileName();
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw AppError(u"Cannot read \"%1\": %2"_qs.arg(path, file.errorString()));
    const auto tooLarge = [&] {
        return AppError(u"Cannot read \"%1\": it holds more than %2 MiB of entries; delete it "
                        "to start afresh"_qs.arg(path)
                            .arg(MaxBytes / (1024 * 1024)));
    };
    // Line by line, so only the entries are held, never the file as well: a file far larger
    // than what it holds (one link decided again run after run, a hole of zeros left by a
    // crash) is read through and compacted. What is held is bounded, and so is the reading, so
    // that a file another run makes grow without end is not read for ever.
    const qint64 readingLimit = file.size() + MaxBytes;
    qint64 bytesRead = 0;
    const QDateTime latestBelievable = QDateTime::currentDateTimeUtc().addSecs(60);
    while (!file.atEnd()) {
        QByteArray line = file.readLine(MaxLineBytes + 1);
        if (line.isEmpty())
            break;
        bool tooLong = false;
        while (!line.endsWith('\n') && !file.atEnd()) {
            // No entry is this long: the rest of the line is skipped in large reads, not held.
            tooLong = true;
            bytesRead += line.size();
            if (bytesRead > readingLimit)
                throw tooLarge();
            line = file.read(1024 * 1024);
            if (const qsizetype end = line.indexOf('\n'); end >= 0) {
                file.seek(file.pos() - (line.size() - end - 1));
                line.truncate(end + 1);
            }
        }
        bytesRead += line.size();
        if (bytesRead > readingLimit)
            throw tooLarge();
        ++m_lines;
        // A line without its line feed is the torn line of a write cut short.
        m_lastLineTorn = !line.endsWith('\n');
        if (m_lastLineTorn)
            break;
        if (tooLong)
            continue;
        line.chop(1);
        // An entry dated well after now (a clock set wrong, a hand-made line) would hide every
        // later outcome of its link for as long: it is not believed.
        if (auto entry = parseEntry(line); entry && entry->second <= latestBelievable)
            keep({entry->first, entry->second, m_lines, line.size()});
        if (m_heldBytes > MaxBytes)
            throw tooLarge();
    }
    if (file.error() != QFileDevice::NoError)
        throw AppError(u"Cannot read \"%1\": %2"_qs.arg(path, file.errorString()));
}

void LinkCache::keep(Entry entry)
{
    // Two runs at once may append out of order: the entry decided last is the one that counts.
    const auto found = m_entries.find(entry.checked.link);
    if (found == m_entries.end()) {
        m_heldBytes += entry.bytes;
        m_entries.insert(entry.checked.link, std::move(entry));
    } else if (found->decided <= entry.decided) {
        m_heldBytes += entry.bytes - found->bytes;
        *found = std::move(entry);
    }
}

void LinkCache::compact()
{
    QList<const Entry *> kept;
    kept.reserve(m_entries.size());
    for (const Entry &entry : std::as_const(m_entries))
        kept.append(&entry);
    std::sort(kept.begin(), kept.end(),
              [](const Entry *a, const Entry *b) { return a->line < b->line; });
    // Written beside the old file and put in its place only once complete, so a failure (a
    // full disk) leaves the old file as it was. The write buffer is flushed and checked before
    // the commit, which would otherwise rename a short file over the old one.
    QSaveFile rewritten(m_file.fileName());
    const auto failed = [&] {
        const int error = errno;
        m_compactionFailure = u"Cannot compact \"%1\": %2"_qs.arg(
            m_file.fileName(), fileErrorReason(rewritten, error));
    };
    errno = 0;
    if (!rewritten.open(QIODevice::WriteOnly))
        return failed();
    takeOwnerAndMode(rewritten.handle(), m_file.fileName());
    for (const Entry *entry : std::as_const(kept)) {
        const QByteArray line = entryLine(entry->checked, entry->decided);
        errno = 0;
        if (rewritten.write(line) != line.size())
            return failed();
    }
    errno = 0;
    if (!rewritten.flush())
        return failed();
    // Where the system will not rename over an open file, the store is closed first (a run
    // that starts meanwhile finds the file replaced and opens the new one).
    if (!SharedFile::canReplaceWhileOpen())
        m_file.close();
    errno = 0;
    const bool committed = rewritten.commit();
    const int error = errno;
    // The old file has left its name; later entries go to the new one. Closing the old one
    // lets the runs waiting on it go on.
    if (committed || !m_file.isOpen()) {
        m_file.close();
        openForAppending();
    }
    if (!committed) {
        errno = error;
        return failed();
    }
    m_lines = kept.size();
    m_lastLineTorn = false;
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
    errno = 0;
    const qint64 written = m_file.write(bytes);
    if (written != bytes.size()) {
        const int error = errno;
        if (written > 0)
            m_lastLineTorn = true;
        throw AppError(
            u"Cannot write \"%1\": %2"_qs.arg(m_file.fileName(), fileErrorReason(m_file, error)));
    }
    m_lastLineTorn = false;

    CheckedLink stored = checked;
    stored.attempts = 0;
    stored.source.clear();
    keep({stored, storedTime(decided), ++m_lines});
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
    for (const auto &[name, text] : {std::pair {u"title", &checked.video.title},
                                     std::pair {u"channel", &checked.video.channel},
                                     std::pair {u"channelId", &checked.video.channelId}}) {
        if (!text->isEmpty())
            object[name] = *text;
    }
    if (checked.video.lengthSeconds)
        object[u"lengthSeconds"] = *checked.video.lengthSeconds;
    object[u"decided"] = storedTime(decided).toString(Qt::ISODate);
    return QJsonDocument(object).toJson(QJsonDocument::Compact) + '\n';
}

std::optional<std::pair<CheckedLink, QDateTime>> LinkCache::parseLine(const QByteArray &line)
{
    return parseEntry(line);
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
