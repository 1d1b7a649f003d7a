// The media-sync connection to a device: made with a library identifier and the device
// identifier, it yields the messages the device sends, one dictionary with "Command" and
// "Params" a read.
#pragma once

#include "platform/CoreFoundation.h"

struct ATHostConnection;
using ATHostConnectionRef = ATHostConnection*;

// A connection, or NULL when no attached device has that identifier or the device does not
// trust this computer.
ATHostConnectionRef ATHostConnectionCreateWithLibrary(CFStringRef libraryId, CFStringRef udid, unsigned int unused);
// Blocks until the device sends; the message is owned by the caller. NULL once the connection
// has been destroyed or the device has gone.
CFDictionaryRef ATHostConnectionReadMessage(ATHostConnectionRef connection);
// Ends the connection; a read pending on another thread returns NULL. The handle stays safe to
// pass in afterwards (reads return NULL at once).
void ATHostConnectionDestroy(ATHostConnectionRef connection);
