#include "engine/HostPacer.h"

#include <cmath>
#include <limits>

namespace {
constexpr qint64 Never = std::numeric_limits<qint64>::max();
// Good answers needed before a pace can be read from them.
constexpr qint64 AnswersToReadAPace = 5;

// A tenth more spacing than a host was seen to allow: room for answers that bunch up on their
// way back.
qint64 aTenthUnder(qint64 spacingMs)
{
    return spacingMs + spacingMs / 10;
}
} // namespace

HostPacer::HostPacer(int maxJobs, std::optional<double> requestsPerSecond, qint64 maxWaitMs)
    : m_maxJobs(qMax(1, maxJobs))
    , m_floorMs(requestsPerSecond && *requestsPerSecond > 0
                    ? qint64(std::ceil(1000.0 / *requestsPerSecond))
                    : 0)
    , m_maxWaitMs(qMax<qint64>(0, maxWaitMs))
    , m_limit(m_maxJobs)
{
}

qint64 HostPacer::allowanceMs(qint64 now) const
{
    if (m_allowanceMs <= 0)
        return 0;
    const double seconds = qMax<qint64>(0, now - m_learnedAt) / 1000.0;
    const qint64 eased = std::llround(m_allowanceMs * std::pow(AllowanceKeptPerSecond, seconds));
    return eased >= 1 ? eased : 0;
}

qint64 HostPacer::spacingMs(qint64 now) const
{
    return qMax(m_floorMs, allowanceMs(now));
}

bool HostPacer::canStart(qint64 now) const
{
    return hasFreeSlot() && now >= readyAt();
}

qint64 HostPacer::readyAt() const
{
    switch (m_state) {
    case State::Free:
        return m_nextStartAt;
    case State::Paused:
    case State::Blocking:
        return m_probeAt;
    case State::GivenUp:
        break;
    }
    return Never;
}

bool HostPacer::hasFreeSlot() const
{
    switch (m_state) {
    case State::Free:
        return m_inFlight < m_limit;
    case State::Paused:
    case State::Blocking:
        return !m_probeInFlight;
    case State::GivenUp:
        break;
    }
    return false;
}

HostPacer::Ticket HostPacer::started(qint64 now)
{
    if (!m_firstStartAt)
        m_firstStartAt = now;
    ++m_inFlight;
    const bool probe = isPaused();
    m_probeInFlight = m_probeInFlight || probe;
    // Keep the cadence: a start a little late (the loop woke a few milliseconds after its
    // time) does not push every later start back by as much.
    const qint64 spacing = spacingMs(now);
    const bool onTime = now - m_nextStartAt < spacing;
    m_nextStartAt = (onTime ? m_nextStartAt : now) + spacing;
    return {m_episode, probe};
}

HostPacer::Change HostPacer::finished(qint64 now, Ticket ticket, const Answer &answer)
{
    m_inFlight = qMax(0, m_inFlight - 1);
    if (ticket.probe)
        m_probeInFlight = false;
    while (!m_recentGood.empty() && m_recentGood.front() <= now - 1000)
        m_recentGood.pop_front();
    if (answer.good) {
        m_recentGood.push_back(now);
        ++m_goodAnswers;
    }

    switch (m_state) {
    case State::Free:
        if (answer.limiting && ticket.episode == m_episode)
            return pause(now, answer);
        // Slow start: each second of good answers doubles the fetches at once.
        if (answer.good && m_limit < m_maxJobs && now - m_grownAt >= 1000) {
            m_limit = qMin(m_maxJobs, m_limit * 2);
            m_grownAt = now;
        }
        return Change::None;
    case State::Paused:
    case State::Blocking:
        // Only the probe speaks for the host while it is paused.
        if (!ticket.probe)
            return Change::None;
        if (answer.good)
            return resume(now);
        if (answer.limiting)
            return block(now, answer);
        return Change::None; // no word either way: the next probe may go at once
    case State::GivenUp:
        break;
    }
    return Change::None;
}

qint64 HostPacer::slowedSpacing(qint64 now) const
{
    // Slower by a quarter; or, when we were asking fast enough to learn it, a tenth under what
    // the host let through in the last second, the best guess of its allowance.
    const qint64 spacing = spacingMs(now);
    qint64 wanted = qMax(spacing + spacing / 4, qint64(100));
    if (qint64(m_recentGood.size()) >= AnswersToReadAPace)
        wanted = qMax(aTenthUnder(spacing), aTenthUnder(1000 / qint64(m_recentGood.size())));
    return qBound(m_floorMs, wanted, LongestSpacingMs);
}

HostPacer::Change HostPacer::pause(qint64 now, const Answer &answer)
{
    m_state = State::Paused;
    ++m_episode;
    m_pausedSince = now;
    m_probesFailed = 0;
    m_goodBeforePause = m_goodAnswers;
    m_rateAllowanceMs = slowedSpacing(now);
    m_probeAt = qMin(now + answer.retryAfterMs.value_or(m_rateAllowanceMs), deadline());
    return Change::None;
}

HostPacer::Change HostPacer::block(qint64 now, const Answer &answer)
{
    if (now >= deadline()) {
        m_state = State::GivenUp;
        return Change::GivesUp;
    }
    const bool starts = m_state == State::Paused;
    if (starts) {
        m_state = State::Blocking;
        // The pace the host kept up until it blocked, if there were answers enough to read it:
        // before a first block that is the pace before it; after earlier blocks it still holds
        // the bursts the host allowed at first, which it does not allow again and again.
        m_blockAllowanceMs = 0;
        const qint64 asked = m_pausedSince - m_firstStartAt.value_or(m_pausedSince);
        if (m_goodBeforePause >= AnswersToReadAPace && asked > 0) {
            const qint64 kept = asked / m_goodBeforePause;
            m_blockAllowanceMs = qMin(m_blocks > 0 ? kept + kept / 5 : kept, LongestSpacingMs);
        }
        ++m_blocks;
    }
    const qint64 spacing
        = qMin(qint64(FirstProbeSpacingMs * std::pow(1.5, qMin(m_probesFailed, 16))),
               LongestProbeSpacingMs);
    ++m_probesFailed;
    m_probeAt = qMin(now + answer.retryAfterMs.value_or(spacing), deadline());
    return starts ? Change::StartsBlocking : Change::None;
}

HostPacer::Change HostPacer::resume(qint64 now)
{
    const bool wasBlocking = m_state == State::Blocking;
    const qint64 learned = wasBlocking ? m_blockAllowanceMs : m_rateAllowanceMs;
    m_allowanceMs = qMax(allowanceMs(now), learned);
    m_learnedAt = now;
    m_state = State::Free;
    m_nextStartAt = qMax(m_nextStartAt, now);
    if (wasBlocking)
        return Change::AnswersAgain;
    m_limit = qMax(1, m_limit / 2);
    m_grownAt = now;
    if (m_announcedLimiting)
        return Change::None;
    m_announcedLimiting = true;
    return Change::StartsLimiting;
}

HostPacer::Change HostPacer::update(qint64 now, bool canProbe)
{
    if (m_state == State::Free && m_allowanceMs > 0 && allowanceMs(now) == 0) {
        m_allowanceMs = 0;
        if (m_announcedLimiting) {
            m_announcedLimiting = false;
            return Change::StopsLimiting;
        }
    }
    if (isPaused() && !m_probeInFlight && !canProbe && now >= deadline()) {
        m_state = State::GivenUp;
        return Change::GivesUp;
    }
    return Change::None;
}
