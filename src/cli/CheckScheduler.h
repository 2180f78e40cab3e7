// CheckScheduler: decides when each link of the shell tool's run is fetched. It keeps to the
// overall number of jobs, paces every host on its own (a host that limits us is slowed, the
// others are not), retries what may pass with back-off or the host's Retry-After, and decides
// each link from the last fetch's judgement.
#pragma once

#include "cli/CheckedLink.h"
#include "cli/HostPacer.h"
#include "core/FetchCommand.h"

#include <QElapsedTimer>
#include <QHash>
#include <QStringList>

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <random>
#include <vector>

struct FetchJudgement;
struct FetchResult;
class ParallelFetcher;

struct SchedulerSettings
{
    int jobs = 4; // fetches at once, over all hosts
    int retries = 3; // further fetches of a link whose answer may pass
    qint64 maxWaitMs = 120'000; // a longer Retry-After decides the link at once
    std::optional<double> rate; // the user's cap: requests per second per host
};

class CheckScheduler
{
public:
    // A link's outcome as the site gave it, with the reason the window would file the link
    // with (empty when the window would find it valid).
    using Decided = std::function<void(qsizetype index, const CheckedLink &checked,
                                       const QString &windowReason)>;

    CheckScheduler(QStringList links, SchedulerSettings settings, FetchCommand::FetchPolicy policy);
    ~CheckScheduler();

    // Runs until every link is decided or keepGoing() answers false. Between waits for the
    // network it calls keepGoing; a wait also ends early when wakeDescriptor becomes readable.
    void run(const Decided &decided, const std::function<bool()> &keepGoing,
             int wakeDescriptor = -1);

    // The host that holds its requests back the longest right now, and for how long.
    struct Wait
    {
        QString host;
        qint64 remainingMs = 0;
    };
    std::optional<Wait> longestWait() const;

    // The wait before retry number attempt (1 for the first retry): 1 s, doubling each time up
    // to 60 s, with up to a tenth more or less at random.
    static qint64 backoffMs(int attempt, double jitter);

private:
    struct Host
    {
        HostPacer pacer;
        std::deque<qsizetype> ready; // links due for a fetch, in input order
    };
    struct LinkState
    {
        QString host;
        int attempts = 0;
        qint64 startedAt = 0; // of the fetch under way
    };

    qint64 now() const { return m_clock.elapsed(); }
    void startDueFetches();
    void handle(qsizetype index, const FetchResult &result, const Decided &decided);
    void decide(qsizetype index, const FetchJudgement &judgement, int http, const QString &why,
                const Decided &decided);
    int nextTimeoutMs() const;

    QStringList m_links;
    SchedulerSettings m_settings;
    std::unique_ptr<ParallelFetcher> m_fetcher;
    std::vector<LinkState> m_state;
    QHash<QString, Host *> m_hosts;
    std::vector<std::unique_ptr<Host>> m_hostStore;
    std::multimap<qint64, qsizetype> m_retries; // due time -> link
    qsizetype m_undecided = 0;
    QElapsedTimer m_clock;
    std::mt19937 m_random;
};
