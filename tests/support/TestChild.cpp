// brindlewood-test-child: the child process the process tests start, the same on Linux and
// Windows (where no shell is at hand):
//   brindlewood-test-child exit N          ends with exit code N
//   brindlewood-test-child chatty N        writes 20 MB to each output stream, then ends with N
//   brindlewood-test-child first-line      copies its input's first line, then ends (head -n 1)
//   brindlewood-test-child startup-report  ends with a code telling how it was started (Windows)
//   brindlewood-test-child sleep N         ends after N seconds, unless it is ended first
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {
// Bits of the startup report.
constexpr int ToldHowToShow = 1; // the starter chose the show-window style
constexpr int ShownHidden = 2; // and it is SW_HIDE
constexpr int NoConsoleWindow = 4; // no console window appeared for the child

int startupReport()
{
    int report = 0;
#ifdef _WIN32
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    GetStartupInfoW(&startup);
    if (startup.dwFlags & STARTF_USESHOWWINDOW)
        report |= ToldHowToShow;
    if ((startup.dwFlags & STARTF_USESHOWWINDOW) && startup.wShowWindow == SW_HIDE)
        report |= ShownHidden;
    if (GetConsoleWindow() == nullptr)
        report |= NoConsoleWindow;
#endif
    return report;
}

void flood(std::FILE *stream)
{
    static const std::string block(1 << 20, 'x');
    for (int i = 0; i < 20; ++i)
        std::fwrite(block.data(), 1, block.size(), stream);
    std::fflush(stream);
}
} // namespace

int main(int argc, char *argv[])
{
    const char *mode = argc > 1 ? argv[1] : "";
    const int code = argc > 2 ? std::atoi(argv[2]) : 0;
    if (std::strcmp(mode, "exit") == 0)
        return code;
    if (std::strcmp(mode, "chatty") == 0) {
        flood(stdout);
        flood(stderr);
        return code;
    }
    if (std::strcmp(mode, "first-line") == 0) {
        for (int c; (c = std::getchar()) != EOF;) {
            std::putchar(c);
            if (c == '\n')
                break;
        }
        return 0;
    }
    if (std::strcmp(mode, "startup-report") == 0)
        return startupReport();
    if (std::strcmp(mode, "sleep") == 0) {
        std::this_thread::sleep_for(std::chrono::seconds(code));
        return 0;
    }
    std::fprintf(stderr, "usage: %s exit N | chatty N | first-line | startup-report | sleep N\n",
                 argv[0]);
    return 64;
}
