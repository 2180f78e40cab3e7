// The Windows half of StandardStreams. The C runtime's text mode would turn the CR LF that ends
// a CSV row into CR CR LF and change the bytes of piped input, so all three streams are byte
// streams; printed lines get their CR LF from a small device of ours instead. A console is
// switched to UTF-8 and to the control sequences the progress bar draws with, and back at
// the end, since the console outlives the program.
#include "system/StandardStreams.h"

#include <QFile>

#include <windows.h>

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <io.h>

namespace {
HANDLE handleOf(StandardStreams::Stream stream)
{
    switch (stream) {
    case StandardStreams::Stream::Input:
        return GetStdHandle(STD_INPUT_HANDLE);
    case StandardStreams::Stream::Output:
        return GetStdHandle(STD_OUTPUT_HANDLE);
    case StandardStreams::Stream::Error:
        break;
    }
    return GetStdHandle(STD_ERROR_HANDLE);
}

// Writes through to a file descriptor, putting a CR before every LF that has none.
class CrLfDevice : public QIODevice
{
public:
    explicit CrLfDevice(int descriptor)
    {
        m_file.open(descriptor, QIODevice::WriteOnly | QIODevice::Unbuffered,
                    QFileDevice::DontCloseHandle);
        open(QIODevice::WriteOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char *, qint64) override { return -1; }
    qint64 writeData(const char *data, qint64 size) override
    {
        QByteArray lines;
        lines.reserve(size + size / 32 + 1);
        bool afterCr = m_afterCr;
        for (qint64 i = 0; i < size; ++i) {
            if (data[i] == '\n' && !afterCr)
                lines += '\r';
            lines += data[i];
            afterCr = data[i] == '\r';
        }
        for (qsizetype written = 0; written < lines.size();) {
            const qint64 now = m_file.write(lines.constData() + written, lines.size() - written);
            if (now <= 0) {
                // A pipe whose reader has gone answers ERROR_NO_DATA, which the C runtime does
                // not always call EPIPE; EPIPE is what tells the shell tool its output went.
                const DWORD error = GetLastError();
                if (error == ERROR_NO_DATA || error == ERROR_BROKEN_PIPE)
                    errno = EPIPE;
                return -1;
            }
            written += now;
        }
        m_afterCr = afterCr;
        return size;
    }

private:
    QFile m_file;
    bool m_afterCr = false;
};

// A console's settings as they were before the program changed them.
struct ConsoleMode
{
    HANDLE handle = nullptr;
    DWORD mode = 0;
};
} // namespace

struct StandardStreams::Devices
{
    CrLfDevice output {_fileno(stdout)};
    CrLfDevice error {_fileno(stderr)};
    UINT codePage = 0;
    ConsoleMode modes[2];
};

StandardStreams::StandardStreams()
{
    std::fflush(nullptr);
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    m_devices = std::make_unique<Devices>();
    int changed = 0;
    for (Stream stream : {Stream::Output, Stream::Error}) {
        HANDLE handle = handleOf(stream);
        DWORD mode = 0;
        if (!GetConsoleMode(handle, &mode))
            continue;
        if (changed == 0) {
            m_devices->codePage = GetConsoleOutputCP();
            SetConsoleOutputCP(CP_UTF8);
        }
        SetConsoleMode(handle, mode | ENABLE_VIRTUAL_TERMINAL_PROCESSING);
        m_devices->modes[changed++] = {handle, mode};
    }
}

StandardStreams::~StandardStreams()
{
    for (const ConsoleMode &console : m_devices->modes) {
        if (console.handle)
            SetConsoleMode(console.handle, console.mode);
    }
    if (m_devices->codePage != 0)
        SetConsoleOutputCP(m_devices->codePage);
}

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
    // A console, not just any character device: the C runtime's isatty() also says yes to NUL.
    DWORD mode = 0;
    return GetConsoleMode(handleOf(stream), &mode) != 0;
}

int StandardStreams::terminalColumns(Stream stream)
{
    CONSOLE_SCREEN_BUFFER_INFO info = {};
    if (!GetConsoleScreenBufferInfo(handleOf(stream), &info))
        return 0;
    return info.srWindow.Right - info.srWindow.Left + 1;
}

void StandardStreams::letFailedWritesReturn()
{
    // Nothing to do: Windows reports a write into a closed pipe, or onto a full disk, as an
    // error of that write and never ends the program for it.
}

bool StandardStreams::openInput(QFile &file)
{
    const int input = _fileno(stdin);
    _setmode(input, _O_BINARY);
    file.setFileName(QStringLiteral("-"));
    return file.open(input, QIODevice::ReadOnly, QFileDevice::DontCloseHandle);
}
