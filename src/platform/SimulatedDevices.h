// Simulated devices: a device described by a folder (see docs/simulated-device.md), attached
// and removed like a real one. Tests attach and remove them at will; the application attaches
// the folders named in QUILLOMATRIX_SIMULATED_DEVICES (separated by ':') when it first
// subscribes to device notifications.
#pragma once

#include "platform/CoreFoundation.h"

#include <string>

namespace simdevice {

// The environment variable read at the first subscription.
inline constexpr const char* kEnvironmentVariable = "QUILLOMATRIX_SIMULATED_DEVICES";

// Attaches the device of folder and announces it to the subscribers. Returns its id (> 0), or
// 0 when the folder is not a device folder (no lockdown/values.plist); error gets the reason.
int attach(const std::string& folder, std::string* error = nullptr);
// Removes an attached device: its sockets, AFC connections and sync connections end, and the
// subscribers are told. False when no such device is attached.
bool detach(int id);
// Removes every attached device.
void detachAll();
// How many devices are attached.
int attachedCount();

// Queues one sync message ({"Command": command, "Params": params}) on every open sync
// connection of the device and on those opened later. False when no such device is attached.
bool postSyncMessage(int id, const std::string& command, CFTypeRef params);

// Makes the later calls of the named device function ("AMDeviceConnect", "AMDeviceStartSession",
// "AMDeviceStartService", "AFCFileRefRead", "AFCRemovePath", "AFCDirectoryOpen", ...) on that device fail with status,
// after callsBefore calls that still succeed; status 0 clears it. For tests of failure paths.
void failCall(int id, const std::string& function, int status, int callsBefore = 0);

// Leaves the device bytes of free space: a file write that would go beyond writes what fits
// and fails as a full device does (kAFCNoSpaceLeftError). Removals give nothing back; -1 lifts
// the limit. For tests of a full device.
void limitSpace(int id, int64_t bytes);

}  // namespace simdevice
