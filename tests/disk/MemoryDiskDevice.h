// An in-memory device whose files hold bytes, for the file browser and the large-file finder:
// a media area and app containers that can be listed, read, written and removed, an app list,
// icons, uninstalls, and switches for the refusals. Names are taken as given, so a test can
// hand the walks names no real file system holds ("..", "a/b", "").
#pragma once

#include "disk/core/DiskDeviceServices.h"

#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

class MemoryDiskDevice : public disk::DiskDeviceServices {
public:
    struct Area {
        struct Entry {
            bool folder = false;
            std::string bytes;
            uint64_t size = 0;  // a file's size when it holds no bytes (a large file)
            std::vector<std::string> children;
        };
        std::map<std::string, Entry> entries{{"/", {true, {}, 0, {}}}};
        // Adds an entry (and the folders above it) at an absolute path; the last component is
        // the name as given.
        void addFile(const std::string& path, const std::string& bytes);
        void addSizedFile(const std::string& path, uint64_t size);
        void addFolder(const std::string& path);
        void addChild(const std::string& folder, const std::string& name, Entry entry);
    };

    Area media;
    std::map<std::string, Area> containers;  // by bundle identifier
    std::vector<disk::DeviceApp> apps;
    int appListStatus = 0;  // not 0: the app list cannot be read, with this status
    disk::DeviceApp& addApp(const std::string& bundleId, const std::string& displayName, uint64_t staticBytes,
                            uint64_t dynamicBytes);

    std::unique_ptr<amd::FileService> startMediaArea(int deviceIndex) override;
    std::unique_ptr<amd::FileService> startAppDir(int deviceIndex, const std::string& bundleId) override;
    bool lookupApplications(int deviceIndex, std::vector<disk::DeviceApp>& list, int* status = nullptr) override;
    bool appContainerOpens(int deviceIndex, const std::string& bundleId) override;
    IconResult iconPNGData(int deviceIndex, const std::string& bundleId, std::vector<uint8_t>& png,
                           int* status = nullptr) override;
    int uninstallApp(int deviceIndex, const std::string& bundleId) override;

    bool mediaAreaStarts = true;
    std::set<std::string> refusedRemovals;  // device paths whose removal the device refuses
    std::set<std::string> refusedCopies;    // device paths whose copy to the computer fails
    std::set<std::string> refusedUninstalls;
    std::vector<std::string> uninstalled;
    std::mutex mutex;
};
