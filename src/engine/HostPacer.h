// HostPacer: how fast the shell tool may ask one host, when it must stop asking, and when it
// gives up. Times are milliseconds on one monotonic clock.
//
// The idea is TCP's congestion control (cut the pace when the network drops a packet; when
// nothing gets through, stop and try one packet at growing intervals), with answers in place of
// packets; and, for a host that lends each client a burst and refills it at a steady rate, TCP
// BBR's: measure what the host delivers, ask at that pace and probe above it now and then.
// 1. A host starts free: up to --jobs fetches at once, starts spaced only by --rate.
// 2. A limiting answer (429, 503, a bot check, "try again later") to a fetch that began while
//    the host was free pauses the host: nothing starts until one probe, sent after the host's
//    Retry-After or the spacing it seemed to want. Answers to fetches already under way tell
//    nothing new.
// 3. If the probe is answered, the limit was about rate: the host keeps half its fetches at
//    once, and its starts are spaced a tenth under what it let through in the last second (its
//    allowance).
// 4. If the probe is limited too, the host is blocking: it stays paused, probed one fetch at a
//    time, 2 s after the last probe and half as long again each time, at most a minute (a
//    Retry-After sets the time instead). Once a block has ended, later ones are probed halfway
//    between the longest time a block was seen to last and the shortest it could have lasted,
//    then at the latter, since a host's blocks tend to last alike. Limiting answers during
//    the pause teach nothing about the rate.
// 5. The first good answer to a probe ends the block. The N1 good answers in T1 before the
//    first block are the host's burst and its refill over T1. After that block (of length S)
//    the host is asked on a ramp: from three times N1 / (S + T1) (a floor of the refill when
//    the block gave the whole burst back) up to the pace kept before the block, doubling every
//    thirty-second of S and no sooner than every 12 good answers; its fetches at once are those
//    it had before. A host that blocked once is soon asked at full pace; one that lends and
//    refills blocks again once the ramp has been above its refill long enough to empty the
//    burst, and that stretch shows the refill.
// 6. Each later block measures the host's refill over the stretch since the last block ended:
//    G good answers in T (up to the start of the fetch that met the block) after a block of
//    length S. The block gave back at most S of refill and at most the burst, so the refill
//    is at least G / (S + T), and for the last t before the block with N good answers, at
//    least (N - burst) / t (one answer more counts as lent when t is under a second). The
//    burst is at most N1 less the refill over T1, so a better bound of the refill tightens
//    the burst, which tightens the refill in turn. The largest bound is the estimate, and it
//    is exact when the host works this way (t back to when its bucket was last full).
//    But when the block gave the whole burst back (G / (S + T) times S is about the burst)
//    and the (N - burst) / t are smaller, a stretch that held less than three answers of
//    refill was too short to show it: the estimate is a floor, the host is asked at it and a
//    quarter faster every 30 s, and the next block tells.
// 7. With an estimate, the host is asked a twentieth under it, and at the end of every 30 s a
//    quarter above it (a probe) for 3 s, or less if that would spend more than half the
//    burst. A block during a probe or in the 3 s after it costs only the probe's excess: the
//    host resumes at the larger of the estimate before it and the new one. A second such
//    block in a row takes the new one, since an estimate read from few answers can be high.
// 8. Rate limits ease by time: fetches at once double with each second of good answers (as
//    TCP's slow start doubles its window), and a rate allowance eases by 0.5 % a second (the
//    pace doubles in about two minutes and is forgotten after some ten).
// 9. A link that is limited again after the host has answered other links well since its last
//    limited fetch began is limited for itself, not the host: that answer changes nothing, it
//    waits for its retries on its own, and the slowing its first limiting answer caused, if
//    nothing limited the host since, is undone.
// 10. A host paused for longer than --max-wait in one stretch is given up; its last probe goes
//    out when that time is reached.
#pragma once

#include <QtGlobal>

#include <deque>
#include <optional>

class HostPacer
{
public:
    enum class State {
        Free, // fetches start at the host's pace
        Paused, // a limiting answer came: one probe will tell a rate limit from a block
        Blocking, // the probe was limited too: one probe at a time at growing spacing
        GivenUp, // blocking for longer than --max-wait
    };
    // The changes worth a notice to the user.
    enum class Change {
        None,
        StartsLimiting,
        StopsLimiting,
        StartsBlocking,
        AnswersAgain,
        GivesUp
    };

    // What a fetch carries from its start to its answer.
    struct Ticket
    {
        int episode = 0; // pauses so far when it started
        bool probe = false;
        qint64 goodBefore = 0; // good answers so far when it started
        qint64 startedAt = 0; // when it started
    };
    // What an answer tells about the host: good is a real answer (a page, a 404), limiting a
    // sign that the host is slowing this client down.
    struct Answer
    {
        bool good = false;
        bool limiting = false;
        std::optional<qint64> retryAfterMs;
        bool linkOnly = false; // limiting, but for its link alone (rule 9)
    };

    // maxJobs: the overall limit on fetches at once; requestsPerSecond: the user's hard cap;
    // maxWaitMs: the longest one pause may last.
    HostPacer(int maxJobs, std::optional<double> requestsPerSecond, qint64 maxWaitMs);

    bool canStart(qint64 now) const;
    // When the next start may happen, fetch slots aside.
    qint64 readyAt() const;
    bool hasFreeSlot() const;
    Ticket started(qint64 now);
    Change finished(qint64 now, Ticket ticket, const Answer &answer);
    // Changes that time alone brings: an allowance that has faded away, a pause that ran past
    // --max-wait with no link left to probe with (canProbe false).
    Change update(qint64 now, bool canProbe);

    State state() const { return m_state; }
    bool isPaused() const { return m_state == State::Paused || m_state == State::Blocking; }
    qint64 nextProbeAt() const { return m_probeAt; }
    qint64 pausedSince() const { return m_pausedSince; }
    // The spacing of request starts now: the user's cap or the fading allowance.
    qint64 spacingMs(qint64 now) const;
    int limit() const { return m_limit; }
    qint64 goodAnswers() const { return m_goodAnswers; }

    static constexpr qint64 FirstProbeSpacingMs = 2'000;
    static constexpr qint64 LongestProbeSpacingMs = 60'000;
    static constexpr qint64 LongestSpacingMs = 10'000;
    // What the allowance's spacing keeps of itself per second.
    static constexpr double AllowanceKeptPerSecond = 0.995;
    static constexpr qint64 ProbeRoundMs = 30'000;
    static constexpr qint64 ProbeLengthMs = 3'000;
    static constexpr double CruiseShare = 0.95; // of the refill estimate
    static constexpr double ProbeGain = 1.25;
    // After the first block: the pace starts at this many times the floor of the refill and
    // doubles every RampDoublingShare of the block's length, and no sooner than every
    // RampAnswersPerDoubling good answers.
    static constexpr double RampStartOverFloor = 3;
    static constexpr double RampDoublingShare = 1.0 / 32;
    static constexpr double RampAnswersPerDoubling = 12;
    static constexpr double FloorGainPerRound = 1.25; // while the refill is only a floor

private:
    qint64 allowanceMs(qint64 now) const;
    qint64 estimateSpacingMs(qint64 now) const;
    bool probedLately(qint64 at) const;
    qint64 probeLengthMs() const;
    void measureStretch();
    Change forgive();
    qint64 slowedSpacing(qint64 now) const;
    qint64 deadline() const { return m_pausedSince + m_maxWaitMs; }
    Change pause(qint64 now, Ticket ticket, const Answer &answer);
    Change block(qint64 now, const Answer &answer);
    Change resume(qint64 now);

    int m_maxJobs;
    qint64 m_floorMs; // from the user's --rate, 0 without
    qint64 m_maxWaitMs;
    State m_state = State::Free;
    int m_limit; // fetches at once
    int m_inFlight = 0;
    bool m_probeInFlight = false;
    int m_episode = 0;
    qint64 m_nextStartAt = 0;
    // The allowance: a spacing learned from the host, as it was when learned.
    qint64 m_allowanceMs = 0;
    qint64 m_learnedAt = 0;
    bool m_announcedLimiting = false;
    qint64 m_grownAt = 0; // when fetches at once last changed
    std::deque<qint64> m_recentGood; // when the good answers of the last second came
    std::optional<qint64> m_firstStartAt;
    qint64 m_goodAnswers = 0;
    // The pause under way:
    qint64 m_pausedSince = 0;
    qint64 m_probeAt = 0;
    int m_probesFailed = 0;
    qint64 m_goodBeforePause = 0;
    qint64 m_pauseAskedAt = 0; // when the fetch whose answer paused the host started
    int m_blocks = 0; // blocks so far
    qint64 m_rateAllowanceMs = 0; // learnt if the probe is answered
    // The allowance estimate: the burst, the refill the last block gave, and the stretch since
    // the last block ended (or the first start).
    double m_burst = 0;
    qint64 m_firstGood = 0; // good answers before the first block
    qint64 m_firstSpanMs = 0; // and the time they took
    double m_blockRefill = 0; // good answers a second, 0 before a second block
    bool m_refillKnown = false; // rather than a floor
    bool m_lastBlockProbed = false; // came during or just after a probe
    qint64 m_stretchFrom = 0;
    qint64 m_goodAtStretch = 0;
    qint64 m_lastBlockMs = 0;
    // How long the blocks lasted: longer than the one, at most the other (0 before a block).
    qint64 m_blockLongerMs = 0;
    qint64 m_blockAtMostMs = 0;
    qint64 m_lastLimitedProbeAt = 0;
    std::deque<qint64> m_stretchAnswers; // when its latest good answers came
    // What the last rate limit's slowing replaced, until another pause: undone if its answer
    // proves to be about its link alone.
    struct BeforeSlowing
    {
        int episode = 0;
        qint64 allowanceMs = 0;
        qint64 learnedAt = 0;
        int limit = 0;
        qint64 grownAt = 0;
        bool announced = false;
    };
    std::optional<BeforeSlowing> m_beforeSlowing;
};
