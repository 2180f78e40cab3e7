#include "system/ChildEnd.h"

#include <QProcess>

bool ChildEnd::hasEnded(QProcess &process)
{
    // waitForFinished(0) reaps a child that has ended even when no event loop ran since.
    return process.state() == QProcess::NotRunning || process.waitForFinished(0);
}

bool ChildEnd::waitFor(QProcess &process, int timeoutMs)
{
    return process.state() == QProcess::NotRunning || process.waitForFinished(timeoutMs);
}
