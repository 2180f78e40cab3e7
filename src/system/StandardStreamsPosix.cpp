// The Linux half of StandardStreams: the streams are used as they come.
#include "system/StandardStreams.h"

#include <QFile>

#include <csignal>
#include <cstdio>
#include <sys/ioctl.h>
#include <unistd.h>

static_assert(StandardStreams::BrokenPipeSignal == SIGPIPE);

namespace {
int descriptorOf(StandardStreams::Stream stream)
{
    switch (stream) {
    case StandardStreams::Stream::Input:
        return STDIN_FILENO;
    case StandardStreams::Stream::Output:
        return STDOUT_FILENO;
    case StandardStreams::Stream::Error:
        break;
    }
    return STDERR_FILENO;
}
} // namespace

struct StandardStreams::Devices
{
    QFile output;
    QFile error;
};

StandardStreams::StandardStreams()
    : m_devices(std::make_unique<Devices>())
{
    m_devices->output.open(stdout, QIODevice::WriteOnly);
    m_devices->error.open(stderr, QIODevice::WriteOnly);
}

StandardStreams::~StandardStreams() = default;

QIODevice *StandardStreams::output()
{
    return &m_devices->output;
}

QIODevice *StandardStreams::error()
{
    return &m_devices->error;
}

bool StandardStreams::isTerminal(Stream stream)
{
    return ::isatty(descriptorOf(stream));
}

int StandardStreams::terminalColumns(Stream stream)
{
    winsize size = {};
    if (::ioctl(descriptorOf(stream), TIOCGWINSZ, &size) == 0)
        return size.ws_col;
    return 0;
}

void StandardStreams::letFailedWritesReturn()
{
    std::signal(SIGPIPE, SIG_IGN);
    std::signal(SIGXFSZ, SIG_IGN);
}

bool StandardStreams::openInput(QFile &file)
{
    // Opened anew by name, the same pipe, file or terminal reads from its start.
    file.setFileName(QStringLiteral("/dev/stdin"));
    return file.open(QIODevice::ReadOnly);
}
