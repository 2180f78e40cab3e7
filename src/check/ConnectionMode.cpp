#include "check/ConnectionMode.h"

#include "platform/Platform.h"

bool IsOffline(Platform &platform)
{
    // A failed query leaves the record zero, which reads as offline.
    quint32 state = 0;
    quint32 flags = 0;
    if (!platform.queryConnectedState(state, flags))
        state = 0;
    return (state & Platform::ConnectedStateConnected) == 0;
}

bool GoOnline(Platform &platform)
{
    if (!IsOffline(platform))
        return true;
    platform.setConnectedState(Platform::ConnectedStateConnected, 0);
    return !IsOffline(platform);
}
