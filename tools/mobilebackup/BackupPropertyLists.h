// The property lists of a legacy iTunes backup, written from the device's lockdown values.
#pragma once

#include <cstdint>
#include <string>

namespace mobilebackup {

struct DeviceFolder;

// The tool's version, written where a backup names the program that made it.
inline constexpr const char* kToolVersion = "1.0";

// Writes Info.plist, Status.plist and Manifest.plist (with its "Lockdown" dictionary and the
// user apps) into folder; time is the backup's date in seconds since 1970. False when one
// cannot be written.
bool writeBackupPropertyLists(const std::string& folder, const DeviceFolder& device, int64_t time);

}  // namespace mobilebackup
