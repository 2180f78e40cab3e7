// PageFetcher: what the check scheduler needs of the fetching: start a fetch, wait for
// fetches to end, count those under way. ParallelFetcher does it with libcurl; a test can
// stand in a simulated site with its own clock.
#pragma once

#include "engine/FetchJudgement.h"

#include <QList>
#include <QString>

#include <utility>

class PageFetcher
{
public:
    virtual ~PageFetcher() = default;

    // Starts fetching link, for at most timeLimitMs; id comes back with its result.
    virtual void start(quint64 id, const QString &link, qint64 timeLimitMs) = 0;
    // Lets the fetches run for up to timeoutMs, or until wakeDescriptor (when not -1) is
    // readable, and returns those that have ended.
    virtual QList<std::pair<quint64, FetchResult>> wait(int timeoutMs, int wakeDescriptor) = 0;
    virtual int running() const = 0;
};
