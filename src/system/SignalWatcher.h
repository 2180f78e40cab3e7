// SignalWatcher: notes SIGINT, SIGTERM, SIGHUP, SIGUSR1 and SIGUSR2 instead of dying of them,
// so an interrupted check stops its fetches and ends like a finished one. The fetch loop waits
// on wakeDescriptor() to hear of a signal at once. Windows has no such signals; there the
// console's events stand for them (SignalWatcherWindows.cpp).
#pragma once

#include <csignal>
#include <iterator>

class SignalWatcher
{
public:
    // Installs the handlers; only one watcher may exist at a time.
    SignalWatcher();
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher &) = delete;
    SignalWatcher &operator=(const SignalWatcher &) = delete;

    // Readable while a signal is waiting to be taken: a pipe on Linux, a socket on Windows
    // (what libcurl's wait can watch there); -1 when the watcher could not be set up.
    int wakeDescriptor() const;
    // The first signal received so far, 0 when none; it stays the answer once taken.
    int received();

#ifndef _WIN32
    static constexpr int WatchedSignals[] = {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2};
#endif

private:
    int m_received = 0;
#ifndef _WIN32
    struct sigaction m_previous[std::size(WatchedSignals)] = {}; // put back by the destructor
#endif
};
