// A site on a simulated clock for the check scheduler to fetch from: the pacing tests compare
// what the scheduler does against it, and the pacing bench sweeps its allowances.
#pragma once

#include "engine/PageFetcher.h"

#include <QHash>
#include <QList>
#include <QStringList>

#include <functional>
#include <map>

// A watch page whose playability status is status, with reason.
QByteArray pageWithStatus(const char *status, const char *reason);

// A site for the scheduler to fetch from. Every answer is decided when its request arrives and
// comes back a fixed latency later. Rules, separated by ";", each for one host:
//   HOST KIND [#N | FROM-TO | link=I] [ra=SECONDS] [late=MS]
//     KIND: 429, 503, 500, bot (a bot-check page), none (no answer), hang (nothing until the
//     time limit), trickle (an answer that runs into the time limit)
//     #N: the host's Nth request only; FROM-TO: requests arriving in that time (ms; TO may be
//     left open); link=I: every request for link I; late: the answer comes MS later
//   HOST block #N S [+P]       bot checks for S ms from the Nth request, each request during
//                              it adding P ms
//   HOST allowance B R S [+P]  B requests at once, R more a second; an empty allowance starts
//                              a block of S ms
// Anything else is a good page.
class SimulatedSite : public PageFetcher
{
public:
    SimulatedSite(const QString &rules, qint64 latencyMs);

    std::function<void(quint64 id)> onStart; // told of every start

    qint64 now() const { return m_now; }
    int requests() const { return m_requests; }
    int blockedRequests() const { return m_blockedRequests; }
    int blocks() const { return m_blocks; }

    void start(quint64 id, const QString &link, qint64 timeLimitMs) override;
    QList<std::pair<quint64, FetchResult>> wait(int timeoutMs, int) override;
    int running() const override { return int(m_pending.size()); }

private:
    bool applies(const QString &when, int number, int link) const;
    bool blocked(const QString &host, const QStringList &rule, int number);

    struct Block
    {
        qint64 until = 0;
        double allowance = 0;
        bool allowanceSet = false;
        qint64 allowanceAt = 0;
    };

    qint64 m_latencyMs;
    QList<QStringList> m_rules;
    qint64 m_now = 0;
    std::multimap<qint64, std::pair<quint64, FetchResult>> m_pending;
    QHash<QString, int> m_perHost;
    QHash<QString, Block> m_blockOf;
    int m_requests = 0;
    int m_blockedRequests = 0;
    int m_blocks = 0;
};
