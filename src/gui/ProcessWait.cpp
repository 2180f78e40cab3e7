#include "gui/ProcessWait.h"

#include <QFileInfo>
#include <QThread>

int runProcessAndWait(Platform &platform, const ProcessStart &start, const OutputLimit &limit,
                      const std::function<bool()> &stopWhen)
{
    const std::unique_ptr<ChildProcess> child = platform.startProcess(start);
    if (!child)
        return ProcessStartFailed;
    int exitCode = 0;
    bool ended = false;
    bool stopped = false;
    do {
        if (const std::optional<int> code = child->exitCode()) {
            exitCode = *code;
            ended = true;
        }
        platform.processEvents();
        QThread::msleep(100);
        platform.processEvents();
        // The owner is going away (the window was closed): the child may not outlive it.
        if (!ended && stopWhen && stopWhen()) {
            child->stop();
            return ProcessStoppedOnRequest;
        }
        // An endless page would otherwise fill the disk before the fetch's own time limit.
        if (!ended && !limit.path.isEmpty() && QFileInfo(limit.path).size() > limit.maxBytes) {
            child->stop();
            stopped = true;
        }
    } while (!ended);
    // A child ended from outside has not finished its work, whatever its exit code says.
    return stopped ? ProcessStoppedAtLimit : exitCode;
}
