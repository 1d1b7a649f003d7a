// libFuzzer target: any bytes as the Manifest.mbdb of a backup restored onto a small device
// folder whose message area lies behind a link to a folder outside it. Every file record gets
// its backup file, so that records reach the check and the writing. Whatever the manifest
// says, nothing may appear outside the device.
#include "BackupDomains.h"
#include "DeviceFolder.h"
#include "DeviceRestore.h"
#include "ToolError.h"
#include "backup/ManifestRecordStream.h"
#include "backup/SHAH.h"
#include "platform/ScratchFolder.h"

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/stat.h>

namespace fs = std::filesystem;

namespace {

void writeFile(const std::string& path, const uint8_t* data, size_t size) {
    if (FILE* file = std::fopen(path.c_str(), "wb")) {
        std::fwrite(data, 1, size, file);
        std::fclose(file);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const ScratchFolder scratch("restore-fuzz");  // removed when the process ends
    const std::string& root = scratch.path();
    if (root.empty()) std::abort();
    const std::string device = root + "/device", backup = root + "/backup", outside = root + "/outside";
    std::error_code ignored;
    for (const std::string& last : {device, backup, outside}) fs::remove_all(last, ignored);
    for (const char* folder : {"/device/home/Library", "/device/media/DCIM", "/device/wireless",
                               "/device/apps/com.example.App/container/Documents", "/backup", "/outside/SMS"})
        fs::create_directories(root + folder);
    fs::create_symlink(outside + "/SMS", device + "/home/Library/SMS");
    fs::create_symlink(outside, device + "/media/DCIM/out");

    writeFile(backup + "/Manifest.mbdb", data, size);
    ManifestRecordStream manifest;
    if (manifest.open(backup + "/Manifest.mbdb")) {
        ManifestRecord record;
        for (int n = 0; n < 64 && manifest.next(record); ++n)
            if (S_ISREG(record.mode))
                writeFile(backup + "/" + backupFileKey(record.domain, record.path), data, size < 64 ? size : 64);
    }

    mobilebackup::DeviceFolder folder;
    folder.folder = device;
    try {
        std::vector<mobilebackup::SkippedRecord> skipped;
        mobilebackup::restoreBackup(folder, backup, skipped);
    } catch (const mobilebackup::ToolError&) {}
    size_t entries = 0;
    for (auto it = fs::recursive_directory_iterator(outside); it != fs::recursive_directory_iterator(); ++it) ++entries;
    if (entries != 1)  // the SMS folder only
        std::abort();
    return 0;
}
