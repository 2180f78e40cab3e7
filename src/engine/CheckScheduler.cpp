#include "engine/CheckScheduler.h"

#include "engine/Milliseconds.h"
#include "engine/ParallelFetcher.h"

#include <QElapsedTimer>
#include <QUrl>

#include <algorithm>
#include <cmath>
#include <random>

namespace {
// A link's host as the site sees it; links that do not parse share one queue.
QString hostOf(const QString &link)
{
    return QUrl(link, QUrl::TolerantMode).host().toLower();
}

// The longest wait for pending work before the loop looks again: keeps the progress bar and
// the interrupt check lively while a slow page holds every count still.
constexpr int LongestPollMs = 200;

std::function<qint64()> monotonicClock()
{
    auto timer = std::make_shared<QElapsedTimer>();
    timer->start();
    return [timer] {
        return timer->elapsed();
    };
}

std::function<double()> randomJitter()
{
    auto random = std::make_shared<std::mt19937>(std::random_device {}());
    return [random] {
        return std::uniform_real_distribution<double>(-0.1, 0.1)(*random);
    };
}

// Whole seconds, rounded up: "next try in 1 s" rather than in 0.
QString seconds(qint64 ms)
{
    return QString::number((qMax<qint64>(0, ms) + 999) / 1000);
}

// What a blocking host does, in words, from the cause of its limiting answer.
QString blockingWords(const QString &cause)
{
    if (cause == u"bot check")
        return QStringLiteral("asks to confirm we are not a bot");
    if (cause == u"try again later")
        return QStringLiteral("asks us to try again later");
    return QStringLiteral("refuses us (%1)").arg(cause);
}
} // namespace

CheckScheduler::CheckScheduler(QStringList links, SchedulerSettings settings,
                               FetchCommand::FetchPolicy policy)
    : CheckScheduler(
        links.size(), [links](qsizetype index) { return links.at(index); }, std::move(settings),
        policy)
{
}

CheckScheduler::CheckScheduler(qsizetype count, LinkAt linkAt, SchedulerSettings settings,
                               FetchCommand::FetchPolicy policy)
    : m_count(count)
    , m_linkAt(std::move(linkAt))
    , m_settings(std::move(settings))
    , m_ownFetcher(std::make_unique<ParallelFetcher>(policy))
    , m_fetcher(m_ownFetcher.get())
    , m_clock(monotonicClock())
    , m_jitter(randomJitter())
{
    m_settings.tryLimitMs = qint64(policy.maxTimeSeconds) * 1000;
    addLinks();
}

CheckScheduler::CheckScheduler(QStringList links, SchedulerSettings settings, PageFetcher &fetcher,
                               std::function<qint64()> clock, std::function<double()> jitter)
    : m_count(links.size())
    , m_linkAt([links](qsizetype index) { return links.at(index); })
    , m_settings(std::move(settings))
    , m_fetcher(&fetcher)
    , m_clock(std::move(clock))
    , m_jitter(std::move(jitter))
{
    addLinks();
}

CheckScheduler::~CheckScheduler() = default;

void CheckScheduler::addLinks()
{
    m_state.resize(size_t(m_count));
    m_undecided = m_count;
    for (qsizetype i = 0; i < m_count; ++i) {
        const QString name = hostOf(m_linkAt(i));
        Host *&host = m_hosts[name];
        if (!host) {
            m_hostStore.push_back(std::make_unique<Host>(
                name, HostPacer(m_settings.jobs, m_settings.rate, m_settings.maxWaitMs)));
            host = m_hostStore.back().get();
        }
        m_state[size_t(i)].host = host;
        host->ready.push_back(i);
        ++host->undecided;
    }
}

qint64 CheckScheduler::backoffMs(int attempt, double jitter)
{
    const double base = 1000.0 * std::pow(2.0, qBound(0, attempt - 1, 16));
    return qint64(qMin(base, 60'000.0) * (1.0 + qBound(-0.1, jitter, 0.1)));
}

void CheckScheduler::run(const Decided &decided, const std::function<bool()> &keepGoing,
                         int wakeDescriptor)
{
    while (m_undecided > 0 && keepGoing()) {
        const qint64 at = m_clock();
        while (!m_retries.empty() && m_retries.begin()->first <= at) {
            const qsizetype index = m_retries.begin()->second;
            m_retries.erase(m_retries.begin());
            retry(index);
        }
        for (const auto &host : m_hostStore)
            hostChanged(*host, host->pacer.update(at, !host->ready.empty()), at, decided);
        startDueFetches(at);
        for (const auto &[index, result] : m_fetcher->wait(nextTimeoutMs(at), wakeDescriptor))
            handle(qsizetype(index), result, decided);
    }
}

void CheckScheduler::startDueFetches(qint64 now)
{
    while (m_fetcher->running() < m_settings.jobs) {
        // Of the hosts that may start now, the one whose next link comes first in the input.
        Host *chosen = nullptr;
        for (const auto &host : m_hostStore) {
            if (host->ready.empty() || !host->pacer.canStart(now))
                continue;
            if (!chosen || host->ready.front() < chosen->ready.front())
                chosen = host.get();
        }
        if (!chosen)
            return;
        auto next = chosen->ready.begin();
        // A probe is the waiting link asked least often, so that no link spends its tries on
        // probing alone.
        if (chosen->pacer.isPaused())
            next = std::min_element(next, chosen->ready.end(), [&](qsizetype a, qsizetype b) {
                return m_state[size_t(a)].attempts < m_state[size_t(b)].attempts;
            });
        const qsizetype index = *next;
        chosen->ready.erase(next);
        LinkState &state = m_state[size_t(index)];
        state.ticket = chosen->pacer.started(now);
        ++state.attempts;
        state.startedAt = now;
        m_fetcher->start(quint64(index), m_linkAt(index),
                         qMin(m_settings.tryLimitMs, m_settings.linkLimitMs - state.fetchingMs));
    }
}

int CheckScheduler::nextTimeoutMs(qint64 now) const
{
    qint64 next = now + LongestPollMs;
    if (!m_retries.empty())
        next = qMin(next, m_retries.begin()->first);
    if (m_fetcher->running() < m_settings.jobs) {
        for (const auto &host : m_hostStore) {
            if (!host->ready.empty() && host->pacer.hasFreeSlot())
                next = qMin(next, host->pacer.readyAt());
        }
    }
    return int(qBound<qint64>(0, next - now, qint64(LongestPollMs)));
}

void CheckScheduler::handle(qsizetype index, const FetchResult &result, const Decided &decided)
{
    const FetchJudgement judgement = judgeFetch(result);
    LinkState &state = m_state[size_t(index)];
    Host &host = *state.host;
    const qint64 at = m_clock();
    state.fetchingMs += at - state.startedAt;
    const std::optional<qint64> retryAfterMs = result.retryAfterSeconds
        ? std::optional<qint64>(Milliseconds::ofSeconds(*result.retryAfterSeconds))
        : std::nullopt;
    const bool linkOnly = judgement.hostIsLimiting && state.goodWhenLimited >= 0
        && host.pacer.goodAnswers() > state.goodWhenLimited;
    if (judgement.hostIsLimiting && !linkOnly)
        host.cause = judgement.reason;
    const bool good = !judgement.mayPass && result.failure == FetchResult::Failure::None;
    hostChanged(host,
                host.pacer.finished(at, state.ticket,
                                    {good, judgement.hostIsLimiting, retryAfterMs, linkOnly}),
                at, decided);
    if (judgement.hostIsLimiting)
        state.goodWhenLimited = state.ticket.goodBefore;

    if (!judgement.mayPass || host.pacer.state() == HostPacer::State::GivenUp) {
        decide(index, judgement, result.httpStatus, {}, decided);
        return;
    }
    if (retryAfterMs && *retryAfterMs > m_settings.maxWaitMs) {
        decide(index, judgement, result.httpStatus,
               QStringLiteral("asked to wait %1 s").arg(*result.retryAfterSeconds), decided);
        return;
    }
    if (state.attempts > m_settings.retries || state.fetchingMs >= m_settings.linkLimitMs) {
        decide(index, judgement, result.httpStatus, {}, decided);
        return;
    }
    state.last = std::make_unique<std::pair<FetchJudgement, int>>(judgement, result.httpStatus);
    // A host that limits us holds all its links back itself, pausing for its Retry-After:
    // the link waits in its place. Other failures, and a link limited for itself, wait on their
    // own.
    if (judgement.hostIsLimiting && !linkOnly) {
        retry(index);
        return;
    }
    m_retries.emplace(
        Milliseconds::after(at, retryAfterMs.value_or(backoffMs(state.attempts, m_jitter()))),
        index);
}

void CheckScheduler::retry(qsizetype index)
{
    // In input order, so that the output held back behind this link is not held for long.
    auto &ready = m_state[size_t(index)].host->ready;
    ready.insert(std::lower_bound(ready.begin(), ready.end(), index), index);
}

void CheckScheduler::decide(qsizetype index, const FetchJudgement &judgement, int http,
                            const QString &why, const Decided &decided)
{
    LinkState &state = m_state[size_t(index)];
    CheckedLink checked = checkedLinkOf(m_linkAt(index), judgement);
    if (!why.isEmpty())
        checked.reason += u", "_qs + why;
    if (http > 0)
        checked.http = http;
    checked.attempts = state.attempts;
    state.last.reset();
    --state.host->undecided;
    --m_undecided;
    decided(index, checked);
}

void CheckScheduler::hostChanged(Host &host, HostPacer::Change change, qint64 now,
                                 const Decided &decided)
{
    using Change = HostPacer::Change;
    switch (change) {
    case Change::None:
        return;
    case Change::StartsLimiting: {
        const qint64 spacing = host.pacer.spacingMs(now);
        notify(QStringLiteral("%1 limits our requests (%2); slowing to %3 a second")
                   .arg(host.name, host.cause,
                        spacing > 0 ? QString::number(1000.0 / double(spacing), 'g', 3)
                                    : QStringLiteral("fewer")));
        return;
    }
    case Change::StopsLimiting:
        notify(QStringLiteral("%1 no longer limits our requests").arg(host.name));
        return;
    case Change::StartsBlocking:
        notify(QStringLiteral("%1 %2; pausing, next try in %3 s")
                   .arg(host.name, blockingWords(host.cause),
                        seconds(host.pacer.nextProbeAt() - now)));
        return;
    case Change::AnswersAgain:
        notify(QStringLiteral("%1 answers again").arg(host.name));
        return;
    case Change::GivesUp:
        if (host.undecided == 0) // paused by a Retry-After its own link could not wait for
            return;
        notify(QStringLiteral("%1 has blocked us for %2 s; its %3 links left are unknown")
                   .arg(host.name, QString::number((now - host.pacer.pausedSince() + 500) / 1000))
                   .arg(host.undecided));
        giveUp(host, decided);
        return;
    }
}

void CheckScheduler::giveUp(Host &host, const Decided &decided)
{
    const auto decideLeft = [&](qsizetype index) {
        const LinkState &state = m_state[size_t(index)];
        if (state.last) {
            const auto [judgement, http] = *state.last;
            decide(index, judgement, http, {}, decided);
            return;
        }
        FetchJudgement notTried;
        notTried.reason = notTriedCause();
        notTried.windowReason = QStringLiteral("URL unavailable");
        decide(index, notTried, 0, {}, decided);
    };
    const std::deque<qsizetype> left = std::exchange(host.ready, {});
    for (const qsizetype index : left)
        decideLeft(index);
    for (auto it = m_retries.begin(); it != m_retries.end();) {
        if (m_state[size_t(it->second)].host != &host) {
            ++it;
            continue;
        }
        const qsizetype index = it->second;
        it = m_retries.erase(it);
        decideLeft(index);
    }
}

void CheckScheduler::notify(const QString &line) const
{
    if (m_notice)
        m_notice(line);
}

QString CheckScheduler::waitingText() const
{
    const qint64 now = m_clock();
    const Host *longest = nullptr;
    const auto rank = [&](const Host &host) {
        return std::pair {host.pacer.state() == HostPacer::State::Blocking,
                          host.pacer.nextProbeAt()};
    };
    for (const auto &host : m_hostStore) {
        if (host->pacer.isPaused() && host->undecided > 0
            && (!longest || rank(*longest) < rank(*host)))
            longest = host.get();
    }
    if (!longest)
        return {};
    const qint64 remaining = longest->pacer.nextProbeAt() - now;
    const bool blocking = longest->pacer.state() == HostPacer::State::Blocking;
    if (remaining <= 0 || !longest->pacer.hasFreeSlot())
        return (blocking ? u"%1 blocks us: trying again"_qs : u"%1 is limiting: trying again"_qs)
            .arg(longest->name);
    return (blocking ? u"%1 blocks us: next try in %2 s"_qs : u"waiting %2 s: %1 is limiting"_qs)
        .arg(longest->name, seconds(remaining));
}
