#include "engine/OutcomeMemory.h"

#include "core/AppError.h"
#include "engine/LinkCache.h"
#include "engine/OutcomeStore.h"

#include <QFile>
#include <QFileInfo>

namespace {
// The file of JSON lines, as runs before the store kept it: decided outcomes only, the last
// one per link, no history.
class JsonLinesMemory final : public OutcomeMemory
{
public:
    JsonLinesMemory(const QString &path, std::chrono::seconds maxAge)
        : m_cache(path, maxAge)
    {
    }

    std::optional<CheckedLink> lookup(const QString &link, const QDateTime &now) override
    {
        return m_cache.lookup(link, now);
    }
    std::optional<std::pair<CheckedLink, QDateTime>> latest(const QString &link) override
    {
        // The file keeps no time a caller can ask for; --max-age is unbounded for a report.
        if (std::optional<CheckedLink> known
            = m_cache.lookup(link, QDateTime::currentDateTimeUtc()))
            return std::pair {*known, QDateTime()};
        return std::nullopt;
    }
    void record(const CheckedLink &checked, const QDateTime &found) override
    {
        m_cache.append(checked, found);
    }
    void commit(bool) override { }
    bool keepsHistory() const override { return false; }
    LinkHistory history(const QString &) override { return {}; }
    QString note() const override { return m_cache.compactionFailure(); }

private:
    LinkCache m_cache;
};
} // namespace

bool isOutcomeStore(const QString &path)
{
    QFile file(path);
    if (file.exists() && file.size() > 0) {
        if (!QFileInfo(path).isFile() || !file.open(QIODevice::ReadOnly))
            return false;
        return OutcomeStore::hasStoreHeader(file.read(OutcomeStore::Header.size()));
    }
    return !path.endsWith(u".jsonl") && !path.endsWith(u".ndjson");
}

std::unique_ptr<OutcomeMemory> openOutcomeMemory(const QString &path, std::chrono::seconds maxAge)
{
    // A device or a FIFO is never a store: /dev/zero would be read for ever, /dev/null would
    // keep nothing, and opening a FIFO would wait for a reader.
    const QFileInfo target(path);
    if (target.exists() && !target.isFile())
        throw AppError(u"Cannot use \"%1\" as the cache: it is not a regular file"_qs.arg(path));
    if (isOutcomeStore(path))
        return std::make_unique<OutcomeStore>(path, maxAge);
    return std::make_unique<JsonLinesMemory>(path, maxAge);
}
