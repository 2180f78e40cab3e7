#include "system/SignalWatcher.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
// The self-pipe: the handler may only do async-signal-safe work, so it writes the signal's
// number into the pipe and the fetch loop reads it from the other end. A signal handler can
// reach no object, so the pipe's ends live here, owned by the one watcher.
int pipeEnds[2] = {-1, -1};

void onSignal(int signalNumber)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t ignored = ::write(pipeEnds[1], &byte, 1);
    errno = savedErrno;
}

void install(int signalNumber, void (*handler)(int))
{
    struct sigaction action = {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(signalNumber, &action, nullptr);
}
} // namespace

SignalWatcher::SignalWatcher()
{
    // Non-blocking keeps a burst of signals from ever blocking the handler.
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    for (std::size_t i = 0; i < std::size(WatchedSignals); ++i) {
        sigaction(WatchedSignals[i], nullptr, &m_previous[i]);
        // A signal ignored from the start (nohup's SIGHUP, SIGINT in a background job) stays
        // ignored.
        if (m_previous[i].sa_handler != SIG_IGN)
            install(WatchedSignals[i], onSignal);
    }
}

SignalWatcher::~SignalWatcher()
{
    if (pipeEnds[0] < 0)
        return;
    // Put back as they were, so that a run that goes on to write its result files can still
    // be ended by Ctrl-C.
    for (std::size_t i = 0; i < std::size(WatchedSignals); ++i)
        sigaction(WatchedSignals[i], &m_previous[i], nullptr);
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

int SignalWatcher::wakeDescriptor() const
{
    return pipeEnds[0];
}

int SignalWatcher::received()
{
    unsigned char byte = 0;
    while (pipeEnds[0] >= 0 && ::read(pipeEnds[0], &byte, 1) == 1) {
        if (m_received == 0)
            m_received = byte;
    }
    return m_received;
}
