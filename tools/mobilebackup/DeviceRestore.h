// Restores a simulated device from a legacy iTunes backup: every folder and file of the
// backup that belongs to one of the device's areas (see BackupDomains.h) is written back, each
// file replaced whole. Records of other domains, of apps that are not installed, of excluded
// folders, links, and paths that would climb out of their area are passed over.
//
// The whole manifest is read and every file checked before the device is touched: a damaged
// or incomplete backup changes nothing.
#pragma once

#include <string>

namespace mobilebackup {

struct DeviceFolder;

// Restores device from the backup folder. Throws ToolError.
void restoreBackup(const DeviceFolder& device, const std::string& backupFolder);

}  // namespace mobilebackup
