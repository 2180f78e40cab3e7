// SignalWatcher: notes SIGINT, SIGTERM, SIGHUP, SIGUSR1 and SIGUSR2 instead of dying of them,
// so an interrupted check stops its fetches and ends like a finished one. The fetch loop waits
// on wakeDescriptor() to hear of a signal at once.
#pragma once

class SignalWatcher
{
public:
    // Installs the handlers; only one watcher may exist at a time.
    SignalWatcher();
    ~SignalWatcher();
    SignalWatcher(const SignalWatcher &) = delete;
    SignalWatcher &operator=(const SignalWatcher &) = delete;

    // Readable while a signal is waiting to be taken.
    int wakeDescriptor() const;
    // The first signal received so far, 0 when none; it stays the answer once taken.
    int received();

private:
    int m_received = 0;
};
