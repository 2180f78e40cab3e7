// HostPacer: how fast the shell tool may ask one host. It starts at the full number of jobs
// with no spacing; when the host signals that it is limiting (429, 503, a limiting page) it
// halves the fetches at once, spaces request starts to what the host was seen to allow, and
// pauses for any announced Retry-After; a run of good answers eases it back step by step.
#pragma once

#include <QtGlobal>

#include <deque>
#include <optional>

class HostPacer
{
public:
    // maxJobs: the overall limit on fetches at once; requestsPerSecond: the user's hard cap.
    HostPacer(int maxJobs, std::optional<double> requestsPerSecond);

    // Times are milliseconds on one monotonic clock.
    bool canStart(qint64 now) const { return m_inFlight < m_limit && now >= readyAt(); }
    // When the next start may happen, fetch slots aside.
    qint64 readyAt() const { return qMax(m_nextStartAt, m_pausedUntil); }
    bool hasFreeSlot() const { return m_inFlight < m_limit; }

    void started(qint64 now);
    // An answer (or a failure) of one fetch started at startedAt: good is a real answer (a
    // page, a 404), limiting a sign that the host is slowing us down. The fetches that were
    // already under way when the host first said so tell nothing new and slow nothing further.
    void finished(qint64 now, qint64 startedAt, bool good, bool limiting,
                  std::optional<qint64> retryAfterMs);

    int limit() const { return m_limit; }
    qint64 intervalMs() const { return m_intervalMs; }
    qint64 pausedUntil() const { return m_pausedUntil; }

    // Good answers in a row before one step back up.
    static constexpr int EaseAfterGoodAnswers = 20;
    static constexpr qint64 LongestIntervalMs = 10'000;

private:
    int m_maxJobs;
    int m_limit;
    int m_inFlight = 0;
    qint64 m_floorMs; // from the user's --rate, 0 without
    qint64 m_intervalMs; // between request starts
    // The spacing the host last limited us at: easing stops just short of it, so pacing
    // settles near the host's allowance instead of bouncing off it.
    qint64 m_limitedAtMs = 0;
    qint64 m_nextStartAt = 0;
    qint64 m_pausedUntil = 0;
    qint64 m_slowedAt = -1; // when the host's last limiting signal slowed us
    int m_goodInARow = 0;
    int m_stepsSinceLimit = 0; // easing steps since the last limit
    std::deque<qint64> m_recentGood; // when the good answers of the last second came
};
