#include "cli/HostPacer.h"

#include <cmath>

HostPacer::HostPacer(int maxJobs, std::optional<double> requestsPerSecond)
    : m_maxJobs(qMax(1, maxJobs))
    , m_limit(m_maxJobs)
    , m_floorMs(requestsPerSecond && *requestsPerSecond > 0
                    ? qint64(std::ceil(1000.0 / *requestsPerSecond))
                    : 0)
    , m_intervalMs(m_floorMs)
{
}

void HostPacer::started(qint64 now)
{
    ++m_inFlight;
    // Keep the cadence: a start a little late (the loop woke a few milliseconds after its
    // time) does not push every later start back by as much.
    const bool onTime = now - m_nextStartAt < m_intervalMs;
    m_nextStartAt = (onTime ? qMax(m_nextStartAt, m_pausedUntil) : now) + m_intervalMs;
    if (m_nextStartAt < now)
        m_nextStartAt = now;
}

void HostPacer::finished(qint64 now, qint64 startedAt, bool good, bool limiting,
                         std::optional<qint64> retryAfterMs)
{
    m_inFlight = qMax(0, m_inFlight - 1);
    while (!m_recentGood.empty() && m_recentGood.front() <= now - 1000)
        m_recentGood.pop_front();

    if (limiting && startedAt <= m_slowedAt) {
        m_pausedUntil = qMax(m_pausedUntil, now + retryAfterMs.value_or(0));
        return;
    }
    if (limiting) {
        m_slowedAt = now;
        // Slower by a quarter; or, when we were asking fast enough to learn it, a tenth under
        // what the host let through in the last second, the best guess of its allowance (a
        // tenth leaves room for answers that bunch up on their way back).
        qint64 wanted = qMax(m_intervalMs + m_intervalMs / 4, qint64(100));
        if (m_recentGood.size() >= 5) {
            const qint64 seen = qint64(1000 / m_recentGood.size());
            wanted = qMax(m_intervalMs + m_intervalMs / 10, seen + seen / 10);
        }
        m_intervalMs = qBound(m_floorMs, wanted, LongestIntervalMs);
        m_limitedAtMs = m_intervalMs;
        m_stepsSinceLimit = 0;
        m_limit = qMax(1, m_limit / 2);
        m_goodInARow = 0;
        m_pausedUntil = qMax(m_pausedUntil, now + retryAfterMs.value_or(m_intervalMs));
        m_nextStartAt = qMax(m_nextStartAt, m_pausedUntil);
        return;
    }
    if (!good)
        return;
    m_recentGood.push_back(now);
    if (++m_goodInARow < EaseAfterGoodAnswers)
        return;
    m_goodInARow = 0;
    m_limit = qMin(m_maxJobs, m_limit + 1);
    // Down by a twentieth each step, never below the user's cap. The spacing that last drew a
    // limit is approached but not passed, and is itself forgotten slowly (a fiftieth every
    // five steps), so a host that has relaxed is asked faster again in time.
    qint64 eased = m_intervalMs - qMax<qint64>(1, m_intervalMs / 20);
    if (m_limitedAtMs > 0) {
        eased = qMax(eased, m_limitedAtMs);
        if (++m_stepsSinceLimit % 5 == 0)
            m_limitedAtMs -= qMax<qint64>(1, m_limitedAtMs / 50);
    }
    m_intervalMs = qMax(m_floorMs, eased);
    if (m_intervalMs <= 1 && m_floorMs == 0)
        m_intervalMs = 0;
}
