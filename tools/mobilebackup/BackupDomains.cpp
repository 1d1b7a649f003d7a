#include "BackupDomains.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>

namespace mobilebackup {
namespace {

bool isFolder(const std::string& path) {
    struct stat info {};
    return ::lstat(path.c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

bool within(const std::string& path, const std::string& folder) {
    if (folder.empty()) return true;
    return path == folder ||
           (path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0 && path[folder.size()] == '/');
}

std::vector<std::string> installedApps(const std::string& appsFolder) {
    std::vector<std::string> ids;
    DIR* dir = ::opendir(appsFolder.c_str());
    if (!dir) return ids;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != ".." && isFolder(appsFolder + "/" + name + "/container")) ids.push_back(name);
    }
    ::closedir(dir);
    std::sort(ids.begin(), ids.end());
    return ids;
}

}  // namespace

bool DomainArea::excludes(const std::string& relative) const {
    return std::any_of(excluded.begin(), excluded.end(),
                       [&](const std::string& folder) { return within(relative, folder); });
}

std::vector<DomainArea> domainAreas(const std::string& deviceFolder) {
    std::vector<DomainArea> areas = {
        {"HomeDomain", "home", "", {"Library/Caches", "tmp", "Media", "Library/SMS/Attachments"}},
        {"MediaDomain", "home/Library/SMS/Attachments", "Library/SMS/Attachments", {}},
        {"WirelessDomain", "wireless", "", {}},
        {"CameraRollDomain", "media/DCIM", "Media/DCIM", {}},
        {"CameraRollDomain", "media/PhotoData", "Media/PhotoData", {}},
        {"MediaDomain", "media/Recordings", "Media/Recordings", {}},
    };
    for (const std::string& id : installedApps(deviceFolder + "/apps"))
        areas.push_back({"AppDomain-" + id, "apps/" + id + "/container", "", {"Library/Caches", "tmp"}, false});
    return areas;
}

const DomainArea* areaFor(const std::vector<DomainArea>& areas, const std::string& domain, const std::string& path,
                          std::string* relative) {
    const DomainArea* best = nullptr;
    for (const DomainArea& area : areas) {
        if (area.domain != domain || !within(path, area.prefix)) continue;
        if (!best || area.prefix.size() > best->prefix.size()) best = &area;
    }
    if (!best) return nullptr;
    const std::string rest = best->prefix.empty() ? path : path.substr(std::min(path.size(), best->prefix.size() + 1));
    if (best->excludes(rest)) return nullptr;
    *relative = rest;
    return best;
}

}  // namespace mobilebackup
