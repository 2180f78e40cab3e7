#include "system/ChildEnd.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QProcess>
#include <QThread>

// QProcess learns of a child's end in two ways on Windows: its blocking waits watch the
// process handle, and a notifier on that handle, run by the system's thread pool, posts an
// event. When a blocking wait sees the end first it deletes the notifier, and under Wine the
// pool can still run the notifier's callback, which then posts to the deleted object: the
// program crashes (seen about once in ten runs of the test suite). Taking the end only from
// the posted event leaves no callback behind. Only those events are delivered here, so a
// caller's other events keep their order.
bool ChildEnd::hasEnded(QProcess &process)
{
    return waitFor(process, 0);
}

bool ChildEnd::waitFor(QProcess &process, int timeoutMs)
{
    // Without an event dispatcher QProcess has no notifier, and only its own wait can tell.
    if (!QAbstractEventDispatcher::instance())
        return process.state() == QProcess::NotRunning || process.waitForFinished(timeoutMs);
    const QDeadlineTimer deadline
        = timeoutMs < 0 ? QDeadlineTimer(QDeadlineTimer::Forever) : QDeadlineTimer(timeoutMs);
    for (;;) {
        if (process.state() != QProcess::NotRunning)
            QCoreApplication::sendPostedEvents(nullptr, QEvent::WinEventAct);
        if (process.state() == QProcess::NotRunning)
            return true;
        if (deadline.hasExpired())
            return false;
        QThread::msleep(5);
    }
}
