// The connected state on Windows: the internet library's global connected-state record
// (option 50), read and written with no internet handle, as the whole desktop shares it.
#include "platform/QtPlatform.h"

#include <windows.h>

#include <wininet.h>

static_assert(INTERNET_OPTION_CONNECTED_STATE == 50);
static_assert(sizeof(INTERNET_CONNECTED_INFO) == 8);
static_assert(Platform::ConnectedStateConnected == INTERNET_STATE_CONNECTED);

bool QtPlatform::queryConnectedState(quint32 &state, quint32 &flags)
{
    INTERNET_CONNECTED_INFO info = {};
    DWORD length = sizeof info;
    const bool read
        = InternetQueryOptionA(nullptr, INTERNET_OPTION_CONNECTED_STATE, &info, &length);
    state = info.dwConnectedState;
    flags = info.dwFlags;
    return read;
}

bool QtPlatform::setConnectedState(quint32 state, quint32 flags)
{
    INTERNET_CONNECTED_INFO info = {state, flags};
    return InternetSetOptionA(nullptr, INTERNET_OPTION_CONNECTED_STATE, &info, sizeof info);
}
