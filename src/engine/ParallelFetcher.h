// ParallelFetcher: fetches pages side by side with libcurl's multi interface, each with the
// request every fetch of the program makes, and keeps every page in memory: the shell tool
// writes no file for a fetch.
#pragma once

#include "core/FetchCommand.h"
#include "engine/PageFetcher.h"

#include <memory>

class ParallelFetcher : public PageFetcher
{
public:
    explicit ParallelFetcher(FetchCommand::FetchPolicy policy);
    ~ParallelFetcher() override;
    ParallelFetcher(const ParallelFetcher &) = delete;
    ParallelFetcher &operator=(const ParallelFetcher &) = delete;

    // Starts fetching link; id comes back with its result. A link that cannot be handed to
    // libcurl as it is (a NUL, a lone surrogate, too long) finishes at once as a bad address.
    // The transfer stops after timeLimitMs or the policy's own time limit, whichever is less.
    void start(quint64 id, const QString &link, qint64 timeLimitMs) override;

    // Lets the transfers run for up to timeoutMs, or until wakeDescriptor (when not -1) is
    // readable, and returns the fetches that have ended.
    QList<std::pair<quint64, FetchResult>> wait(int timeoutMs, int wakeDescriptor = -1) override;

    int running() const override;

private:
    struct Private;
    std::unique_ptr<Private> d;
};
