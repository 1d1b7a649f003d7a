#include "disk/core/LocalCopies.h"

#include "platform/Paths.h"

namespace disk {

std::string localCopyFolder(const std::string& name) {
    const std::string temp = paths::privateTempDirectory();
    if (temp.empty()) return {};
    const std::string folder = paths::appendingPathComponent(temp, name);
    return paths::makeDirectories(folder) ? folder : std::string();
}

std::string localCopyPath(const std::string& folder, const std::string& devicePath) {
    size_t start = devicePath.find_first_not_of('/');
    if (folder.empty() || start == std::string::npos) return {};
    const std::string relative = devicePath.substr(start);
    if (relative.back() == '/' || !paths::isContainedRelativePath(relative)) return {};
    const std::string local = folder + "/" + relative;
    if (!paths::makeDirectories(paths::deletingLastPathComponent(local))) return {};
    return local;
}

std::string previewCopyPath(const std::string& devicePath) { return localCopyPath(localCopyFolder("DB"), devicePath); }

}  // namespace disk
