// The QtPlatform functions that reach the system rather than the screen: child processes here,
// the connected state in QtConnectedStatePosix.cpp and QtConnectedStateWindows.cpp.
#include "platform/QtChildProcess.h"
#include "platform/QtPlatform.h"

std::unique_ptr<ChildProcess> QtPlatform::startProcess(const ProcessStart &start)
{
    return QtChildProcess::start(start);
}
