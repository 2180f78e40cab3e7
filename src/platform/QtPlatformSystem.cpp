// The QtPlatform functions that reach the system rather than the screen: child processes
// and the connected state.
#include "platform/QtChildProcess.h"
#include "platform/QtPlatform.h"

std::unique_ptr<ChildProcess> QtPlatform::startProcess(const ProcessStart &start)
{
    return QtChildProcess::start(start);
}

// Linux has no global offline switch for the whole desktop: the state is always connected
// and setting it changes nothing.
bool QtPlatform::queryConnectedState(quint32 &state, quint32 &flags)
{
    state = ConnectedStateConnected;
    flags = 0;
    return true;
}

bool QtPlatform::setConnectedState(quint32, quint32)
{
    return true;
}
