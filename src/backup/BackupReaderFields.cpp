#include "backup/BackupReaderFields.h"

#include "model/PRRecordFields.h"
#include "platform/FileOpen.h"
#include "platform/LogCategories.h"

#include <cstdio>
#include <fstream>
#include <sys/stat.h>

namespace backupreader {

bool fileExists(const std::string& path) { return files::isRegularFile(path, /*followLinks*/ false); }

bool directoryExists(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::optional<std::string> firstExisting(const std::string& folder, const std::vector<std::string>& names) {
    for (const auto& name : names) {
        std::string path = folder + "/" + name;
        if (fileExists(path)) return path;
    }
    return std::nullopt;
}

void log(const char* message) { qCInfo(lcBackup, "%s", message); }

std::optional<std::string> text(const char* column) {
    if (!column || !*column) return std::nullopt;
    return GetStringFormChar(column);
}

std::optional<std::string> dateText(std::optional<long long> value, bool fileType) {
    if (!value) return std::nullopt;
    return dateTimeText(*value, fileType);
}

PRBytes readFile(const std::string& path, size_t limit) {
    std::string bytes;
    if (!files::readRegularFile(path, limit, &bytes, nullptr, /*followLinks*/ false)) return nullptr;
    return makeBytes(std::vector<uint8_t>(bytes.begin(), bytes.end()));
}

}  // namespace backupreader
