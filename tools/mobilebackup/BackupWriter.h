// Writes a device's backup in the legacy iTunes layout: Info.plist, Status.plist,
// Manifest.plist, Manifest.mbdb listing every carried file and folder, and each file under its
// key (the SHA-1 of "domain-path").
//
// The backup is written into a hidden temporary folder beside the target and swapped into
// place only when complete, so that a failed or interrupted run leaves the earlier backup as
// it was. A SQLite database's write-ahead journal is folded into the backup's copy of the
// database, so that the backup holds every committed row in the one file the readers open.
#pragma once

#include <string>

namespace mobilebackup {

struct DeviceFolder;

// Backs device up into parent/<its identifier>. Throws ToolError.
void writeBackup(const DeviceFolder& device, const std::string& parent);

}  // namespace mobilebackup
