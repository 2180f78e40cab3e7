// Connection mode: making sure the internet library is not in its global
// offline state before a check run.
#pragma once

class Platform;

// True when the connected bit of the connected-state record is clear, or the record
// cannot be read.
bool isOffline(Platform &platform);
// True when the system is, or has just been put, in the connected state.
bool goOnline(Platform &platform);
