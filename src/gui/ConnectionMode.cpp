#include "gui/ConnectionMode.h"

#include "platform/Platform.h"

bool isOffline(Platform &platform)
{
    // A failed query leaves the record zero, which reads as offline.
    quint32 state = 0;
    quint32 flags = 0;
    if (!platform.queryConnectedState(state, flags))
        state = 0;
    return (state & Platform::ConnectedStateConnected) == 0;
}

bool goOnline(Platform &platform)
{
    if (!isOffline(platform))
        return true;
    platform.setConnectedState(Platform::ConnectedStateConnected, 0);
    return !isOffline(platform);
}
