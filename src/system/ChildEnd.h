// ChildEnd: waiting for a QProcess child to end. On Windows the end is taken from the event of
// QProcess's own end notifier, never by QProcess's blocking waits (see ChildEndWindows.cpp).
#pragma once

class QProcess;

namespace ChildEnd {
// Whether the child has ended, its end taken in, without waiting.
bool hasEnded(QProcess &process);
// Waits up to timeoutMs (-1: without a limit) for the child to end; false if it has not.
bool waitFor(QProcess &process, int timeoutMs);
} // namespace ChildEnd
