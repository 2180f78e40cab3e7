#include "core/SeenLinks.h"

#include <QHashFunctions>

namespace {
// Fixed, so that a run drops the same repeats whatever seed the process's hash tables get.
constexpr size_t HashSeed = 0x9E3779B97F4A7C15u;
} // namespace

bool SeenLinks::firstTime(QStringView link)
{
    static_assert(sizeof(size_t) == 8 || sizeof(size_t) == 4);
    quint64 hash = qHash(link, HashSeed);
    if constexpr (sizeof(size_t) == 4)
        hash = (hash << 32) | qHash(link, ~HashSeed);
    const qsizetype before = m_hashes.size();
    m_hashes.insert(hash);
    return m_hashes.size() != before;
}
