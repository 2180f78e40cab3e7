#include "cli/SignalWatcher.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
// The self-pipe: the handler may only do async-signal-safe work, so it writes the signal's
// number into the pipe and the event loop reads it from the other end.
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

SignalWatcher::SignalWatcher(QObject *parent)
    : QObject(parent)
{
    // Close-on-exec keeps the pipe out of the fetch tool; non-blocking keeps a burst of
    // signals from ever blocking the handler.
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = new QSocketNotifier(pipeEnds[0], QSocketNotifier::Read, this);
    connect(m_notifier, &QSocketNotifier::activated, this, &SignalWatcher::readPending);
    install(SIGINT, onSignal);
    install(SIGTERM, onSignal);
    install(SIGHUP, onSignal);
}

SignalWatcher::~SignalWatcher()
{
    install(SIGINT, SIG_DFL);
    install(SIGTERM, SIG_DFL);
    install(SIGHUP, SIG_DFL);
    if (pipeEnds[0] >= 0) {
        ::close(pipeEnds[0]);
        ::close(pipeEnds[1]);
        pipeEnds[0] = pipeEnds[1] = -1;
    }
}

void SignalWatcher::readPending()
{
    unsigned char byte = 0;
    while (::read(pipeEnds[0], &byte, 1) == 1)
        emit received(byte);
}
