// Restores a simulated device from a legacy iTunes backup: every folder and file of the
// backup that belongs to one of the device's areas (see BackupDomains.h) is written back, each
// file replaced whole. Records of other domains, of apps that are not installed, of excluded
// folders, links and other entries that are neither file nor folder, and paths that are
// absolute, hold a NUL or would climb out of their area are left out, each with its reason.
//
// The whole manifest is read and every file checked before the device is touched: a damaged
// or incomplete backup changes nothing.
#pragma once

#include <string>
#include <vector>

namespace mobilebackup {

struct DeviceFolder;

// A record of the backup that the restore leaves out: its domain-path and why.
struct SkippedRecord {
    std::string record;
    std::string reason;
};

// Restores device from the backup folder. The records it leaves out are added to skipped as
// the manifest is read, before the device is touched (so also when it then throws). Throws
// ToolError.
void restoreBackup(const DeviceFolder& device, const std::string& backupFolder, std::vector<SkippedRecord>& skipped);

}  // namespace mobilebackup
