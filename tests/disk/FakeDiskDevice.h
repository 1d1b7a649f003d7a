// An in-memory device for the disk manager's scans: a media area of folders and files given
// by path, an app list, the containers that open, icons, and switches for the failures.
#pragma once

#include "disk/core/DiskDeviceServices.h"

#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class FakeDiskDevice : public disk::DiskDeviceServices {
public:
    // Adds a regular file (and the folders above it) at an absolute path.
    void addFile(const std::string& path, uint64_t size);
    // A regular file with content, which CopyToLocal hands out.
    void addFile(const std::string& path, const std::string& bytes);
    void addFolder(const std::string& path);
    // An entry that is neither a folder nor a regular file (a link that leads nowhere).
    void addOther(const std::string& path);
    // A user app whose container opens; a system app; each with the attributes given.
    disk::DeviceApp& addApp(const std::string& bundleId, const std::string& type);

    std::unique_ptr<amd::FileService> startMediaArea(int deviceIndex) override;
    bool lookupApplications(int deviceIndex, std::vector<disk::DeviceApp>& apps, int* status = nullptr) override;
    bool appContainerOpens(int deviceIndex, const std::string& bundleId) override;
    IconResult iconPNGData(int deviceIndex, const std::string& bundleId, std::vector<uint8_t>& png,
                           int* status = nullptr) override;

    bool mediaAreaStarts = true;
    bool appListReadable = true;
    int appListStatus = 1;                   // the device layer status an unreadable list reports
    std::set<std::string> closedContainers;  // apps whose container does not open
    std::set<std::string> appsWithoutIcon;
    bool iconServiceStarts = true;
    // Called before every FileInfo (tests pull the cable or block there).
    std::function<void(const std::string& path)> onFileInfo;
    std::atomic<int> fileInfoCalls{0};
    std::atomic<int> mediaAreaStartsCount{0};
    std::atomic<int> copyCalls{0};
    std::map<std::string, std::string> contents;  // bytes of the files added with content

    struct Entry {
        amd::FileEntry::Kind kind = amd::FileEntry::Kind::Directory;
        uint64_t size = 0;
        int64_t mtime = 0;
        std::vector<std::string> children;  // names, in the order they were added
    };
    std::map<std::string, Entry> entries{{"/", {}}};
    std::vector<disk::DeviceApp> apps;

private:
    void link(const std::string& path, amd::FileEntry::Kind kind, uint64_t size);
    std::mutex mutex_;
};
