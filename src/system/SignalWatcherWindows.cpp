// The Windows half of SignalWatcher. Windows has no POSIX signals; the console's control
// events stand for them, under the numbers that give the exit statuses a Linux shell knows:
// Ctrl+C and Ctrl+Break count as SIGINT (130), the console window closing as SIGHUP (129),
// logging off and shutting down as SIGTERM (143).
#include "system/SignalWatcher.h"

#include <winsock2.h>

#include <windows.h>

#include <atomic>
#include <csignal>

namespace {
// A console handler runs on a thread of its own and can reach no object, so what it shares
// with the watcher lives here, owned by the one watcher. The wake-up is a connected pair of
// loopback sockets, since libcurl's wait watches only sockets on Windows.
std::atomic<int> firstSignal {0};
SOCKET wakeReader = INVALID_SOCKET;
SOCKET wakeWriter = INVALID_SOCKET;

constexpr int HangUpSignal = 1; // SIGHUP, which Windows does not define

int signalFor(DWORD event)
{
    switch (event) {
    case CTRL_C_EVENT:
    case CTRL_BREAK_EVENT:
        return SIGINT;
    case CTRL_CLOSE_EVENT:
        return HangUpSignal;
    default: // logoff, shutdown
        return SIGTERM;
    }
}

BOOL WINAPI onConsoleEvent(DWORD event)
{
    int none = 0;
    firstSignal.compare_exchange_strong(none, signalFor(event));
    const char byte = 1;
    send(wakeWriter, &byte, 1, 0);
    // For a closing console, a logoff or a shutdown Windows ends the program as soon as this
    // returns; waiting here gives the fetch loop the moment it needs to stop and report. The
    // program's own end, or the system's grace period, ends the wait.
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        Sleep(10000);
    return TRUE;
}

void closeQuietly(SOCKET &socket)
{
    if (socket != INVALID_SOCKET)
        closesocket(socket);
    socket = INVALID_SOCKET;
}

// Connects a pair of loopback sockets. The accepted end must be the one we connected: a
// stranger racing for the listener would otherwise be able to stop our checks.
bool connectPair()
{
    SOCKET listener = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (listener == INVALID_SOCKET)
        return false;
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int length = sizeof address;
    sockaddr_in writerAddress = {};
    int writerLength = sizeof writerAddress;
    sockaddr_in peerAddress = {};
    int peerLength = sizeof peerAddress;
    const bool connected
        = bind(listener, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && listen(listener, 1) == 0
        && getsockname(listener, reinterpret_cast<sockaddr *>(&address), &length) == 0
        && (wakeWriter = socket(AF_INET, SOCK_STREAM, IPPROTO_TCP)) != INVALID_SOCKET
        && connect(wakeWriter, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0
        && (wakeReader = accept(listener, reinterpret_cast<sockaddr *>(&peerAddress), &peerLength))
            != INVALID_SOCKET
        && getsockname(wakeWriter, reinterpret_cast<sockaddr *>(&writerAddress), &writerLength) == 0
        && peerAddress.sin_port == writerAddress.sin_port;
    closesocket(listener);
    u_long nonBlocking = 1;
    if (!connected || ioctlsocket(wakeReader, FIONBIO, &nonBlocking) != 0) {
        closeQuietly(wakeReader);
        closeQuietly(wakeWriter);
        return false;
    }
    return true;
}
} // namespace

SignalWatcher::SignalWatcher()
{
    firstSignal = 0;
    WSADATA data;
    if (WSAStartup(MAKEWORD(2, 2), &data) == 0)
        connectPair();
    SetConsoleCtrlHandler(onConsoleEvent, TRUE);
}

SignalWatcher::~SignalWatcher()
{
    SetConsoleCtrlHandler(onConsoleEvent, FALSE);
    closeQuietly(wakeReader);
    closeQuietly(wakeWriter);
    WSACleanup();
}

int SignalWatcher::wakeDescriptor() const
{
    // Socket handles fit in an int: Windows keeps handles to 32 significant bits.
    return wakeReader == INVALID_SOCKET ? -1 : int(wakeReader);
}

int SignalWatcher::received()
{
    char bytes[16];
    while (wakeReader != INVALID_SOCKET && recv(wakeReader, bytes, sizeof bytes, 0) > 0) { }
    if (m_received == 0)
        m_received = firstSignal;
    return m_received;
}
