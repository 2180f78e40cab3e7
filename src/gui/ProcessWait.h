// Running one child process to its end while the window stays usable.
#pragma once

#include "platform/Platform.h"

#include <QString>

#include <functional>

// A file the child writes, and the size past which the child is stopped.
struct OutputLimit
{
    QString path;
    qint64 maxBytes = 0;
};

// What RunProcessAndWait returns when the child cannot be started, when it was stopped
// because its file grew past the limit, and when it was stopped because its owner asked.
inline constexpr int ProcessStartFailed = -1;
inline constexpr int ProcessStoppedAtLimit = -2;
inline constexpr int ProcessStoppedOnRequest = -3;

// Starts the child and polls until it has ended: exit-code query, pending events, a 100 ms
// pause, pending events. Returns the child's exit code, or ProcessStartFailed at once when
// it cannot be started. With a limit, the child is stopped once its file grows past it, and
// ProcessStoppedAtLimit is returned. When stopWhen answers true after the pending events,
// the child is stopped (and reaped) and ProcessStoppedOnRequest is returned.
int runProcessAndWait(Platform &platform, const ProcessStart &start, const OutputLimit &limit = {},
                      const std::function<bool()> &stopWhen = {});
