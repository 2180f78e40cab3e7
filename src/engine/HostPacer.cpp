#include "engine/HostPacer.h"

#include "engine/Milliseconds.h"

#include <cmath>
#include <limits>
#include <utility>

namespace {
constexpr qint64 Never = std::numeric_limits<qint64>::max();
// The good answers of a stretch kept to read the refill from: enough for minutes of asking,
// little memory on a list that takes days.
constexpr size_t StretchAnswersKept = 4096;
// Good answers needed before a pace can be read from them.
constexpr qint64 AnswersToReadAPace = 5;
// The refill a stretch must hold, in answers, to show it.
constexpr double AnswersToShowARefill = 3;

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

qint64 HostPacer::probeLengthMs() const
{
    // A probe spends at most half the burst on its excess, so that one above an estimate
    // that is right does not empty it.
    const double excessPerSecond = (ProbeGain - 1) * m_blockRefill;
    return qBound(qint64(0), qint64(500.0 * m_burst / qMax(excessPerSecond, 0.001)), ProbeLengthMs);
}

qint64 HostPacer::estimateSpacingMs(qint64 now) const
{
    const double since = double(qMax<qint64>(0, now - m_stretchFrom));
    if (m_blocks == 1 && m_firstGood > 0) {
        // Between the first block and the second: a ramp from three times the floor of the refill
        // (the first stretch's answers spread over it and the block) up to the pace kept before
        // the block, doubling every thirty-second of the block's length and no sooner than every
        // RampAnswersPerDoubling answers. It crosses the refill slowly enough for the second
        // stretch to show it, and a host that blocked only once is soon asked at full pace.
        const double startMs = double(m_lastBlockMs + m_firstSpanMs)
            / (RampStartOverFloor * double(qMax<qint64>(1, m_firstGood)));
        const double doublings
            = qMin(since / qMax(1.0, RampDoublingShare * double(m_lastBlockMs)),
                   double(m_goodAnswers - m_goodAtStretch) / RampAnswersPerDoubling);
        const qint64 spacing = std::llround(startMs / std::pow(2.0, qMin(doublings, 60.0)));
        // The pace kept before the block, if there were answers enough to read it.
        const qint64 before = m_firstGood >= AnswersToReadAPace && m_firstSpanMs > 0
            ? qMin(m_firstSpanMs / m_firstGood, LongestSpacingMs)
            : 0;
        return qBound(before, spacing, LongestSpacingMs);
    }
    if (m_blockRefill <= 0)
        return 0;
    double pace = m_blockRefill;
    if (m_refillKnown) {
        const qint64 into = qint64(since) % ProbeRoundMs;
        pace *= into >= ProbeRoundMs - probeLengthMs() ? ProbeGain : CruiseShare;
    } else {
        pace *= std::pow(FloorGainPerRound, qMin(since / double(ProbeRoundMs), 200.0));
    }
    return qBound(qint64(1), qint64(std::llround(1000.0 / pace)), LongestSpacingMs);
}

bool HostPacer::probedLately(qint64 at) const
{
    const qint64 since = at - m_stretchFrom;
    if (m_blocks < 2 || !m_refillKnown || since < ProbeRoundMs - ProbeLengthMs)
        return false;
    const qint64 into = since % ProbeRoundMs;
    return into >= ProbeRoundMs - probeLengthMs() || into < ProbeLengthMs;
}

qint64 HostPacer::spacingMs(qint64 now) const
{
    return qMax(qMax(m_floorMs, allowanceMs(now)), estimateSpacingMs(now));
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
    if (!m_firstStartAt) {
        m_firstStartAt = now;
        m_stretchFrom = now;
    }
    ++m_inFlight;
    const bool probe = isPaused();
    m_probeInFlight = m_probeInFlight || probe;
    // Keep the cadence: a start a little late (the loop woke a few milliseconds after its
    // time) does not push every later start back by as much.
    const qint64 spacing = spacingMs(now);
    const bool onTime = now - m_nextStartAt < spacing;
    m_nextStartAt = (onTime ? m_nextStartAt : now) + spacing;
    return {m_episode, probe, m_goodAnswers, now};
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
        if (m_state == State::Free) {
            m_stretchAnswers.push_back(ticket.startedAt);
            if (m_stretchAnswers.size() > StretchAnswersKept)
                m_stretchAnswers.pop_front();
        }
    }

    switch (m_state) {
    case State::Free:
        if (answer.limiting && answer.linkOnly)
            return forgive();
        if (answer.limiting && ticket.episode == m_episode)
            return pause(now, ticket, answer);
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
        if (answer.limiting && !answer.linkOnly)
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

HostPacer::Change HostPacer::pause(qint64 now, Ticket ticket, const Answer &answer)
{
    m_pauseAskedAt = ticket.startedAt;
    m_state = State::Paused;
    ++m_episode;
    m_pausedSince = now;
    m_probesFailed = 0;
    m_goodBeforePause = m_goodAnswers;
    m_rateAllowanceMs = slowedSpacing(now);
    m_probeAt = qMin(Milliseconds::after(now, answer.retryAfterMs.value_or(m_rateAllowanceMs)),
                     deadline());
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
        measureStretch();
        ++m_blocks;
    }
    const qint64 spacing
        = qMin(qint64(FirstProbeSpacingMs * std::pow(1.5, qMin(m_probesFailed, 16))),
               LongestProbeSpacingMs);
    ++m_probesFailed;
    m_lastLimitedProbeAt = now;
    qint64 wait = answer.retryAfterMs.value_or(spacing);
    // Blocks of one host tend to last alike: the earlier ones lasted longer than BlockLongerMs
    // and no longer than BlockAtMostMs. Probe halfway between, then at the longest, rather than
    // spend probes (which on some sites make the block longer) on times already known.
    const qint64 into = now - m_pausedSince;
    if (!answer.retryAfterMs && m_blockAtMostMs > 0 && into < m_blockAtMostMs) {
        const qint64 halfway = (m_blockLongerMs + m_blockAtMostMs) / 2;
        wait = (into < halfway ? halfway : m_blockAtMostMs) - into;
    }
    m_probeAt = qMin(Milliseconds::after(now, wait), deadline());
    return starts ? Change::StartsBlocking : Change::None;
}

void HostPacer::measureStretch()
{
    const qint64 good = m_goodBeforePause - m_goodAtStretch;
    const qint64 asked = qMax<qint64>(0, m_pauseAskedAt - m_stretchFrom);
    if (m_blocks == 0) {
        // The first stretch began with the host's bucket full and ended with it empty: its
        // answers are the burst and the refill of its span. Until the refill is known, all of
        // them count as the burst.
        m_burst = double(good);
        m_firstGood = good;
        m_firstSpanMs = asked;
        return;
    }
    // The block gave back at most its length of refill: the answers since then bound the refill
    // from below.
    const double refilledInBlock = good * 1000.0 / double(qMax<qint64>(1, m_lastBlockMs + asked));
    double refill = qMax(refilledInBlock, 1000.0 / double(LongestSpacingMs));
    // Since the last moment the host's bucket was full, it gave exactly its burst and its
    // refill: every stretch of answers up to the block, less the burst, bounds the refill from
    // below, the one back to that moment best. The burst is at most the first stretch's answers
    // less the refill of its span, so each better bound of the refill tightens the burst, which
    // tightens the refill in turn.
    double burst = m_burst;
    double refilledInStretch = 0;
    for (int round = 0; round < 4; ++round) {
        for (auto at = m_stretchAnswers.rbegin(); at != m_stretchAnswers.rend(); ++at) {
            const qint64 span = m_pauseAskedAt - *at;
            const qint64 answers = at - m_stretchAnswers.rbegin() + 1;
            // The burst read from the first stretch may be up to one answer short, which
            // over a span under a second would overstate the refill.
            const double lent = burst + (span >= 1000 ? 0 : 1);
            if (span > 0)
                refilledInStretch
                    = qMax(refilledInStretch, (double(answers) - lent) * 1000.0 / double(span));
        }
        refill = qMax(refill, refilledInStretch);
        burst = qMax(1.0, qMin(burst, m_firstGood - refill * double(m_firstSpanMs) / 1000.0));
    }
    m_burst = burst;
    // A block the probe above the estimate brought costs only the probe's excess.
    const bool probed = probedLately(m_pausedSince);
    if (probed && !m_lastBlockProbed)
        refill = qMax(refill, m_blockRefill);
    m_lastBlockProbed = probed;
    // The estimate is only a floor when the block gave the whole burst back and the stretch
    // was too short for its own refill to show.
    m_refillKnown = probed || refilledInStretch >= refilledInBlock
        || refilledInBlock * double(m_lastBlockMs) / 1000.0 < 0.9 * burst
        || refill * double(asked) / 1000.0 >= AnswersToShowARefill;
    m_blockRefill = refill;
}

HostPacer::Change HostPacer::forgive()
{
    if (!m_beforeSlowing || m_beforeSlowing->episode != m_episode)
        return Change::None;
    const BeforeSlowing before = *std::exchange(m_beforeSlowing, std::nullopt);
    m_allowanceMs = before.allowanceMs;
    m_learnedAt = before.learnedAt;
    m_limit = before.limit;
    m_grownAt = before.grownAt;
    if (m_announcedLimiting && !before.announced) {
        m_announcedLimiting = false;
        return Change::StopsLimiting;
    }
    return Change::None;
}

HostPacer::Change HostPacer::resume(qint64 now)
{
    const bool wasBlocking = m_state == State::Blocking;
    m_beforeSlowing.reset();
    if (wasBlocking) {
        m_lastBlockMs = now - m_pausedSince;
        const qint64 longer = m_lastLimitedProbeAt - m_pausedSince;
        m_blockLongerMs
            = m_blockAtMostMs > 0 && longer < m_blockLongerMs ? m_blockLongerMs : longer;
        m_blockAtMostMs = m_lastBlockMs;
        m_blockLongerMs = qMin(m_blockLongerMs, m_blockAtMostMs);
        m_stretchFrom = now;
        m_goodAtStretch = m_goodAnswers - 1; // the probe's answer opens the new stretch
        m_stretchAnswers.assign(1, now);
    } else {
        m_beforeSlowing = BeforeSlowing {m_episode, m_allowanceMs, m_learnedAt,
                                         m_limit,   m_grownAt,     m_announcedLimiting};
    }
    // After a block the ramp or the refill estimate sets the pace, and a rate limit's allowance
    // still slows it while it lasts.
    m_allowanceMs = wasBlocking ? allowanceMs(now) : qMax(allowanceMs(now), m_rateAllowanceMs);
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
