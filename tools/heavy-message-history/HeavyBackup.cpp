#include "HeavyBackup.h"

#include "CarvingFixtures.h"
#include "NaturalFixtures.h"
#include "SampleBackup.h"
#include "backup/BackupFileKeys.h"

#include <filesystem>
#include <system_error>

namespace heavyhistory {

std::string heavyBackup(const std::string& backupRoot, const HistorySize& size, bool* made) {
    namespace fs = std::filesystem;
    // Named by its size: a kept home holds one backup of each size it was asked for.
    const std::string folder =
        backupRoot + "/heavy-" + std::to_string(size.messages) + "-" + std::to_string(size.conversations);
    std::error_code error;
    if (made) *made = false;
    if (fs::is_regular_file(folder + "/" + backupkeys::messages, error)) return folder;

    const std::string staging = backupRoot + "/.making";
    fs::remove_all(staging, error);
    const std::vector<std::string> samples = samplebackup::writeSampleBackups(staging);
    if (samples.empty()) return {};
    // The sample iPhone's backup (iOS 6), its message database replaced whole.
    const std::string iPhone = samples.front();
    for (const char* suffix : {"", "-wal", "-shm", "-journal"})
        fs::remove(iPhone + "/" + backupkeys::messages + suffix, error);
    carvefix::NaturalOptions options;
    options.ios = iosschema::Ios::v6;
    options.rows = size.messages;
    options.conversations = size.conversations;
    carvefix::writeNaturalDatabase(iPhone, carvefix::CarveKind::messages, options);
    if (!fs::is_regular_file(iPhone + "/" + backupkeys::messages, error)) return {};
    fs::remove_all(folder, error);
    fs::rename(iPhone, folder, error);
    const bool moved = !error;
    fs::remove_all(staging, error);
    if (!moved) return {};
    if (made) *made = true;
    return folder;
}

}  // namespace heavyhistory
