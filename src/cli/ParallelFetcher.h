// ParallelFetcher: fetches pages side by side with libcurl's multi interface, each with the
// request every fetch of the program makes, and keeps every page in memory: the shell tool
// writes no file for a fetch.
#pragma once

#include "cli/FetchJudgement.h"
#include "core/FetchCommand.h"

#include <QList>
#include <QString>

#include <memory>
#include <utility>

class ParallelFetcher
{
public:
    explicit ParallelFetcher(FetchCommand::FetchPolicy policy);
    ~ParallelFetcher();
    ParallelFetcher(const ParallelFetcher &) = delete;
    ParallelFetcher &operator=(const ParallelFetcher &) = delete;

    // Starts fetching link; id comes back with its result. A link that cannot be handed to
    // libcurl as it is (a NUL, a lone surrogate, too long) finishes at once as a bad address.
    void start(quint64 id, const QString &link);

    // Lets the transfers run for up to timeoutMs, or until wakeDescriptor (when not -1) is
    // readable, and returns the fetches that have ended.
    QList<std::pair<quint64, FetchResult>> wait(int timeoutMs, int wakeDescriptor = -1);

    int running() const;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
