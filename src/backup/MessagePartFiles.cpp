#include "backup/MessagePartFiles.h"

#include "backup/BackupReaderFields.h"
#include "backup/ManifestRecordStream.h"
#include "backup/SHAH.h"

#include <string_view>

namespace {
constexpr std::string_view kPartsFolder = "Library/SMS/Parts/";
}

MessagePartFiles::MessagePartFiles(const std::string& backupFolder) : folder_(backupFolder) {
    ManifestRecordStream manifest;
    if (!manifest.open(backupFolder + "/Manifest.mbdb")) return;
    ManifestRecord record;
    while (manifest.next(record)) {
        if (record.domain != "MediaDomain" || record.path.compare(0, kPartsFolder.size(), kPartsFolder) != 0) continue;
        // "874-1.jpg" is part 1 of message 874; "874-1-preview.jpg" is only its preview.
        const std::string_view path = record.path;
        const std::string_view file = path.substr(path.rfind('/') + 1);
        const std::string_view name = file.substr(0, file.find('.'));
        if (!name.empty()) keyByName_.insert_or_assign(std::string(name), backupFileKey(record.domain, record.path));
    }
}

PROptionalText MessagePartFiles::fileOf(int64_t messageId, int64_t partId) const {
    const auto found = keyByName_.find(std::to_string(messageId) + "-" + std::to_string(partId));
    if (found == keyByName_.end()) return std::nullopt;
    std::string path = folder_ + "/" + found->second;
    if (!backupreader::fileExists(path)) return std::nullopt;
    return path;
}
