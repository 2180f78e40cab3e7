// The self-pipe: a signal handler may only do async-signal-safe work, so it writes a byte into
// a pipe whose other end the event loop watches.
#include "platform/EndSignals.h"

#include <QSocketNotifier>

#include <array>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace {
constexpr std::array Signals = {SIGTERM, SIGHUP};

// A handler can reach no object, so the pipe's ends live here, owned by the one EndSignals.
int pipeEnds[2] = {-1, -1};
struct sigaction previous[Signals.size()] = {};

void onSignal(int)
{
    const int savedErrno = errno;
    const char byte = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(pipeEnds[1], &byte, 1);
    errno = savedErrno;
}
} // namespace

EndSignals::EndSignals(QWidget *window)
    : m_window(window)
{
    // Non-blocking keeps a burst of signals from ever blocking the handler.
    if (::pipe2(pipeEnds, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    m_notifier = std::make_unique<QSocketNotifier>(pipeEnds[0], QSocketNotifier::Read);
    connect(m_notifier.get(), &QSocketNotifier::activated, this, &EndSignals::closeWindow);
    for (std::size_t i = 0; i < Signals.size(); ++i) {
        sigaction(Signals[i], nullptr, &previous[i]);
        // A signal ignored from the start (nohup's SIGHUP) stays ignored.
        if (previous[i].sa_handler == SIG_IGN)
            continue;
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        sigaction(Signals[i], &action, nullptr);
    }
}

EndSignals::~EndSignals()
{
    if (pipeEnds[0] < 0)
        return;
    for (std::size_t i = 0; i < Signals.size(); ++i)
        sigaction(Signals[i], &previous[i], nullptr);
    m_notifier.reset();
    ::close(pipeEnds[0]);
    ::close(pipeEnds[1]);
    pipeEnds[0] = pipeEnds[1] = -1;
}

void EndSignals::closeWindow()
{
    char bytes[64];
    while (::read(pipeEnds[0], bytes, sizeof bytes) > 0) { }
    // The window's own close: during a check the run ends first, as on a click on the box.
    if (m_window)
        m_window->close();
}
