// A fixture with its own home and the sample device attached, and helpers that run the backup
// tool and look into the backups it writes.
#pragma once

#include "TestSupport.h"
#include "backup/ManifestRecordStream.h"

#include <map>
#include <string>
#include <vector>

namespace backuptooltest {

struct ToolRun {
    int exitCode = -1;
    std::string error;  // standard error
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
bool exists(const std::string& path);
// Names in folder (without "." and ".."), sorted.
std::vector<std::string> folderNames(const std::string& folder);
// Every record of a backup's manifest, keyed by "domain-path".
std::map<std::string, ManifestRecord> manifestRecords(const std::string& backupFolder);

class BackupToolTest : public testsupport::HomeTest {
protected:
    void SetUp() override;
    void TearDown() override;

    // Runs build/bin/mobilebackup directly with the sample device listed as attached; with a
    // launcher, through it (its program and options come first).
    ToolRun runTool(const std::vector<std::string>& arguments, const std::vector<std::string>& launcher = {}) const;
    // The user's iTunes backup folder and the sample device's backup in it.
    std::string iTunesFolder() const;
    std::string backupFolder() const { return iTunesFolder() + "/" + udid; }
    // The backup file of a record in a backup folder.
    static std::string backupFile(const std::string& folder, const std::string& domain, const std::string& path);

    std::string device;  // the sample device's folder
    std::string udid;
    int deviceId = 0;
};

}  // namespace backuptooltest
