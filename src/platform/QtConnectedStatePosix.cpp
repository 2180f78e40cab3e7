// The connected state on Linux, which has no global offline switch for the whole desktop: the
// state is always connected and setting it changes nothing.
#include "platform/QtPlatform.h"

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
