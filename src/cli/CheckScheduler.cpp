#include "cli/CheckScheduler.h"

#include "cli/FetchJudgement.h"
#include "cli/ParallelFetcher.h"

#include <QUrl>

#include <cmath>

namespace {
// A link's host as the site sees it; links that do not parse share one queue.
QString hostOf(const QString &link)
{
    return QUrl(link, QUrl::TolerantMode).host().toLower();
}

// The longest wait for pending work before the loop looks again: keeps the progress bar and
// the interrupt check lively while a slow page holds every count still.
constexpr int LongestPollMs = 200;
} // namespace

CheckScheduler::CheckScheduler(QStringList links, SchedulerSettings settings,
                               FetchCommand::FetchPolicy policy)
    : m_links(std::move(links))
    , m_settings(std::move(settings))
    , m_fetcher(std::make_unique<ParallelFetcher>(std::move(policy)))
    , m_state(size_t(m_links.size()))
    , m_undecided(m_links.size())
    , m_random(std::random_device {}())
{
    m_clock.start();
    for (qsizetype i = 0; i < m_links.size(); ++i) {
        const QString host = hostOf(m_links.at(i));
        m_state[size_t(i)].host = host;
        Host *&entry = m_hosts[host];
        if (!entry) {
            m_hostStore.push_back(
                std::make_unique<Host>(Host {HostPacer(m_settings.jobs, m_settings.rate), {}}));
            entry = m_hostStore.back().get();
        }
        entry->ready.push_back(i);
    }
}

CheckScheduler::~CheckScheduler() = default;

qint64 CheckScheduler::backoffMs(int attempt, double jitter)
{
    const double base = 1000.0 * std::pow(2.0, qBound(0, attempt - 1, 16));
    return qint64(qMin(base, 60'000.0) * (1.0 + qBound(-0.1, jitter, 0.1)));
}

void CheckScheduler::run(const Decided &decided, const std::function<bool()> &keepGoing,
                         int wakeDescriptor)
{
    while (m_undecided > 0 && keepGoing()) {
        // Retries whose time has come join their host's queue in input order.
        const qint64 at = now();
        while (!m_retries.empty() && m_retries.begin()->first <= at) {
            const qsizetype index = m_retries.begin()->second;
            m_retries.erase(m_retries.begin());
            auto &ready = m_hosts.value(m_state[size_t(index)].host)->ready;
            ready.insert(std::lower_bound(ready.begin(), ready.end(), index), index);
        }
        startDueFetches();
        for (const auto &[index, result] : m_fetcher->wait(nextTimeoutMs(), wakeDescriptor))
            handle(qsizetype(index), result, decided);
    }
}

void CheckScheduler::startDueFetches()
{
    const qint64 at = now();
    while (m_fetcher->running() < m_settings.jobs) {
        // Of the hosts that may start now, the one whose next link comes first in the input.
        Host *chosen = nullptr;
        for (Host *host : std::as_const(m_hosts)) {
            if (host->ready.empty() || !host->pacer.canStart(at))
                continue;
            if (!chosen || host->ready.front() < chosen->ready.front())
                chosen = host;
        }
        if (!chosen)
            return;
        const qsizetype index = chosen->ready.front();
        chosen->ready.pop_front();
        chosen->pacer.started(at);
        ++m_state[size_t(index)].attempts;
        m_state[size_t(index)].startedAt = at;
        m_fetcher->start(quint64(index), m_links.at(index));
    }
}

int CheckScheduler::nextTimeoutMs() const
{
    qint64 next = now() + LongestPollMs;
    if (!m_retries.empty())
        next = qMin(next, m_retries.begin()->first);
    if (m_fetcher->running() < m_settings.jobs) {
        for (const Host *host : std::as_const(m_hosts)) {
            if (!host->ready.empty() && host->pacer.hasFreeSlot())
                next = qMin(next, host->pacer.readyAt());
        }
    }
    return int(qBound<qint64>(0, next - now(), qint64(LongestPollMs)));
}

void CheckScheduler::handle(qsizetype index, const FetchResult &result, const Decided &decided)
{
    const FetchJudgement judgement = judgeFetch(result);
    LinkState &state = m_state[size_t(index)];
    const qint64 at = now();
    const std::optional<qint64> retryAfterMs = result.retryAfterSeconds
        ? std::optional<qint64>(*result.retryAfterSeconds * 1000)
        : std::nullopt;
    // The host's own pause is held to what the user is willing to wait, so one answer
    // cannot stall every other link of that host beyond it.
    const std::optional<qint64> hostPauseMs = retryAfterMs
        ? std::optional<qint64>(qMin(*retryAfterMs, m_settings.maxWaitMs))
        : std::nullopt;
    m_hosts.value(state.host)
        ->pacer.finished(at, state.startedAt,
                         !judgement.mayPass && result.failure == FetchResult::Failure::None,
                         judgement.hostIsLimiting, hostPauseMs);

    if (!judgement.mayPass) {
        decide(index, judgement, result.httpStatus, {}, decided);
        return;
    }
    if (retryAfterMs && *retryAfterMs > m_settings.maxWaitMs) {
        decide(index, judgement, result.httpStatus,
               QStringLiteral("asked to wait %1 s").arg(*result.retryAfterSeconds), decided);
        return;
    }
    if (state.attempts > m_settings.retries) {
        decide(index, judgement, result.httpStatus, {}, decided);
        return;
    }
    std::uniform_real_distribution<double> jitter(-0.1, 0.1);
    const qint64 wait = retryAfterMs.value_or(backoffMs(state.attempts, jitter(m_random)));
    m_retries.emplace(at + wait, index);
}

void CheckScheduler::decide(qsizetype index, const FetchJudgement &judgement, int http,
                            const QString &why, const Decided &decided)
{
    CheckedLink checked;
    checked.link = m_links.at(index);
    checked.verdict = judgement.verdict;
    checked.reason = why.isEmpty() ? judgement.reason : judgement.reason + u", "_qs + why;
    checked.status = judgement.status;
    checked.siteReason = judgement.siteReason;
    checked.siteSubreason = judgement.siteSubreason;
    if (http > 0)
        checked.http = http;
    checked.attempts = m_state[size_t(index)].attempts;
    --m_undecided;
    decided(index, checked, judgement.windowReason);
}

std::optional<CheckScheduler::Wait> CheckScheduler::longestWait() const
{
    std::optional<Wait> longest;
    const qint64 at = now();
    for (auto it = m_hosts.cbegin(); it != m_hosts.cend(); ++it) {
        const qint64 remaining = it.value()->pacer.pausedUntil() - at;
        if (remaining > 0 && (!longest || remaining > longest->remainingMs))
            longest = Wait {it.key(), remaining};
    }
    return longest;
}
