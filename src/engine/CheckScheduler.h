// CheckScheduler: decides when each link of a check run is fetched. It keeps to the
// overall number of jobs, paces every host on its own (a host that limits us is slowed, one
// that blocks us is paused and probed, the others go on), retries what may pass with back-off
// or the host's Retry-After, and decides each link from the last fetch's judgement.
#pragma once

#include "core/FetchCommand.h"
#include "engine/CheckedLink.h"
#include "engine/FetchJudgement.h"
#include "engine/HostPacer.h"

#include <QHash>
#include <QStringList>

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <vector>

class PageFetcher;

struct SchedulerSettings
{
    int jobs = 4; // fetches at once, over all hosts
    int retries = 3; // further fetches of a link whose answer may pass
    // A longer Retry-After decides the link at once; a host paused longer is given up.
    qint64 maxWaitMs = 120'000;
    std::optional<double> rate; // the user's cap: requests per second per host
    qint64 tryLimitMs = 120'000; // one fetch
    qint64 linkLimitMs = LinkTimeLimitMs; // all the fetches of one link together

    static constexpr qint64 LinkTimeLimitMs = 180'000;
};

class CheckScheduler
{
public:
    // A link's outcome as the site gave it.
    using Decided = std::function<void(qsizetype index, const CheckedLink &checked)>;
    // One line for the user about a host that starts or stops limiting or blocking us.
    using Notice = std::function<void(const QString &line)>;

    // The link at an index of the run's list, read when it is fetched: the caller keeps the
    // list, as compactly as it likes.
    using LinkAt = std::function<QString(qsizetype index)>;

    // Fetches with libcurl, on the system's monotonic clock.
    CheckScheduler(QStringList links, SchedulerSettings settings, FetchCommand::FetchPolicy policy);
    CheckScheduler(qsizetype count, LinkAt linkAt, SchedulerSettings settings,
                   FetchCommand::FetchPolicy policy);
    // Fetches through fetcher on the given clock (milliseconds), with jitter() in [-0.1, 0.1]
    // for the back-off: a test's simulated site and time.
    CheckScheduler(QStringList links, SchedulerSettings settings, PageFetcher &fetcher,
                   std::function<qint64()> clock, std::function<double()> jitter);
    ~CheckScheduler();

    void setNotice(Notice notice) { m_notice = std::move(notice); }

    // Runs until every link is decided or keepGoing() answers false. Between waits for the
    // network it calls keepGoing; a wait also ends early when wakeDescriptor becomes readable.
    void run(const Decided &decided, const std::function<bool()> &keepGoing,
             int wakeDescriptor = -1);

    // What the progress bar says about the host that holds its requests back the longest right
    // now ("127.0.0.1 blocks us: next try in 5 s"); empty when none does.
    QString waitingText() const;

    // The cause of the links left when their host blocked for longer than --max-wait.
    static QString notTriedCause() { return QStringLiteral("site blocking: not tried"); }

    // The wait before retry number attempt (1 for the first retry): 1 s, doubling each time up
    // to 60 s, with up to a tenth more or less at random.
    static qint64 backoffMs(int attempt, double jitter);

private:
    struct Host
    {
        Host(QString hostName, HostPacer hostPacer)
            : name(std::move(hostName))
            , pacer(hostPacer)
        {
        }

        QString name;
        HostPacer pacer;
        std::deque<qsizetype> ready; // links due for a fetch, in input order
        QString cause; // of the last limiting answer
        qsizetype undecided = 0; // of its links
    };
    struct LinkState
    {
        Host *host = nullptr;
        int attempts = 0;
        qint64 startedAt = 0; // of the fetch under way
        HostPacer::Ticket ticket;
        qint64 fetchingMs = 0; // all its finished fetches together
        // The host's good answers when this link's last limited fetch started, -1 if none was:
        // a link limited again after good answers to others since is limited for itself.
        qint64 goodWhenLimited = -1;
        // The last answer that may pass and its HTTP status, should its host be given up
        // before the next fetch.
        std::unique_ptr<std::pair<FetchJudgement, int>> last;
    };

    void addLinks();
    void startDueFetches(qint64 now);
    void handle(qsizetype index, const FetchResult &result, const Decided &decided);
    void retry(qsizetype index);
    void decide(qsizetype index, const FetchJudgement &judgement, int http, const QString &why,
                const Decided &decided);
    void hostChanged(Host &host, HostPacer::Change change, qint64 now, const Decided &decided);
    void giveUp(Host &host, const Decided &decided);
    int nextTimeoutMs(qint64 now) const;
    void notify(const QString &line) const;

    qsizetype m_count;
    LinkAt m_linkAt;
    SchedulerSettings m_settings;
    std::unique_ptr<PageFetcher> m_ownFetcher;
    PageFetcher *m_fetcher;
    std::function<qint64()> m_clock;
    std::function<double()> m_jitter;
    Notice m_notice;
    std::vector<LinkState> m_state;
    QHash<QString, Host *> m_hosts;
    std::vector<std::unique_ptr<Host>> m_hostStore;
    std::multimap<qint64, qsizetype> m_retries; // due time -> link
    qsizetype m_undecided = 0;
};
