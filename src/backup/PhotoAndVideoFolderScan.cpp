#include "backup/PhotoAndVideoFolderScan.h"

#include "backup/BackupNotices.h"
#include "platform/NSObject.h"

#include <algorithm>
#include <dirent.h>
#include <sys/stat.h>
#include <vector>

namespace {
constexpr int kProgressSteps = 30;
}

void PhotoAndVideoFolderScan::scanPhotoAndVideoThread(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(name);
    }
    ::closedir(dir);
    std::sort(names.begin(), names.end());

    // The index is compared with every 30th of the count, so a folder of fewer than 30 entries
    // still counts up to 29: several steps fall on one entry.
    const int64_t count = static_cast<int64_t>(names.size());
    int running = 0;
    for (int64_t index = 0; index < count; ++index) {
        for (int k = 1; k < kProgressSteps; ++k)
            if (index == count * k / kProgressSteps)
                notices::ScanProgressInfo.post(nc_, NSNumber::numberWithInt(++running));
        const std::string path = folder + "/" + names[static_cast<size_t>(index)];
        struct stat info {};
        if (::lstat(path.c_str(), &info) == 0 && static_cast<uint64_t>(info.st_size) >= kMinimumFileSize)
            notices::ScanPhotoAndVideoInfo.post(nc_, NSString::stringWithString(path));
    }
}
