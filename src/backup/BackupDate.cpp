#include "backup/BackupDate.h"

#include "backup/ManifestRecordStream.h"
#include "platform/CoreFoundation.h"

#include <algorithm>
#include <cmath>

namespace backupdate {

namespace {

// 2007-06-29, the first day a phone of this kind could be backed up: an earlier date is a
// clock or file gone wrong, not the backup's.
constexpr int64_t kFirstBackups = 1183075200;

std::optional<int64_t> infoDate(const std::string& folder) {
    CFHolder<CFPropertyListRef> info(
        CFPropertyListCreateFromFile(folder + "/Info.plist", nullptr, /*followLinks*/ false));
    if (CFGetTypeID(info.get()) != CFDictionaryGetTypeID()) return std::nullopt;
    CFTypeRef date = CFDictionaryGetValue(static_cast<CFDictionaryRef>(info.get()), "Last Backup Date");
    if (!date || CFGetTypeID(date) != CFDateGetTypeID()) return std::nullopt;
    const double seconds = CFDateGetAbsoluteTime(static_cast<CFDateRef>(date)) + kCFAbsoluteTimeIntervalSince1970;
    if (!std::isfinite(seconds) || seconds < kFirstBackups || seconds > 1e15) return std::nullopt;
    return static_cast<int64_t>(seconds);
}

std::optional<int64_t> newestManifestFile(const std::string& folder) {
    ManifestRecordStream manifest;
    if (!manifest.open(folder + "/Manifest.mbdb")) return std::nullopt;
    int64_t newest = 0;
    ManifestRecord record;
    while (manifest.next(record)) newest = std::max<int64_t>(newest, record.modified);
    if (newest < kFirstBackups) return std::nullopt;
    return newest;
}

}  // namespace

std::optional<int64_t> backupDate(const std::string& backupFolder) {
    if (auto date = infoDate(backupFolder)) return date;
    return newestManifestFile(backupFolder);
}

}  // namespace backupdate
