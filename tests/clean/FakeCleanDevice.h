// An in-memory device for the clean tests: app containers and a media area as path maps, with
// knobs for refusals, failing services and a device pulled out after a number of calls.
#pragma once

#include "clean/core/CleanDeviceServices.h"

#include <QString>
#include <atomic>
#include <functional>
#include <map>
#include <mutex>
#include <ostream>
#include <set>
#include <string>
#include <vector>

class FakeCleanDevice : public clean::DeviceCleanServices {
public:
    static constexpr const char* kMedia = "";  // area name of the media area

    // A user app unless setAppType says otherwise; version "1.0".
    void addApp(const std::string& bundleId, const std::string& displayName, bool hasIcon = true);
    void setAppType(const std::string& bundleId, const std::string& applicationType);
    void setAppVersions(const std::string& bundleId, const std::string& shortVersion, const std::string& bundleVersion);
    // Called (outside the device's lock) before every removal, with the area and the path.
    std::function<void(const std::string& area, const std::string& path)> beforeRemove;
    // Regular files of size 0 (as CopyToDevice of an empty file leaves them).
    bool isEmptyFile(const std::string& area, const std::string& path) const;
    // Adds a file (and its missing parent folders) to an area: a bundle identifier or kMedia.
    void addFile(const std::string& area, const std::string& path, uint64_t size);
    void addDir(const std::string& area, const std::string& path);
    // Adds an entry whose name is taken as it is (it may hold "/" or be ".."), as a device
    // might list it.
    void addRawFile(const std::string& area, const std::string& folder, const std::string& name, uint64_t size);
    bool exists(const std::string& area, const std::string& path) const;
    // Regular files under a folder of an area, at any depth.
    std::vector<std::string> filesUnder(const std::string& area, const std::string& folder) const;
    uint64_t bytesUnder(const std::string& area, const std::string& folder) const;

    void refuseRemoval(const std::string& area, const std::string& path);
    void failContainer(const std::string& bundleId);
    // The app list cannot be read and its lookup answers status (1: the service is not
    // available); 0 makes it readable again.
    void failAppList(int status = 1) { appListStatus_ = status; }
    void failMediaArea() { mediaFails_ = true; }
    void failIconService() { iconServiceFails_ = true; }
    // After n more FileInfo calls the device is gone: connected() turns false, calls fail.
    void disconnectAfterInfoCalls(int n) { disconnectAfter_ = n; }
    bool connected() const { return connected_; }

    int maxOpenServices() const { return maxOpen_; }
    int servicesStarted() const { return started_; }

    std::unique_ptr<amd::FileService> startAppDir(int, const std::string& bundleId, int* status = nullptr) override;
    std::unique_ptr<amd::FileService> startMediaArea(int, int* status = nullptr) override;
    bool lookupApplications(int, std::vector<clean::InstalledApp>& apps, int* status = nullptr) override;
    IconResult iconPNGData(int, const std::string& bundleId, std::vector<uint8_t>& png, int* status = nullptr) override;

    struct Entry {
        bool dir = false;
        uint64_t size = 0;
    };
    struct Area {
        std::map<std::string, Entry> entries;                      // full path -> entry
        std::map<std::string, std::vector<std::string>> children;  // folder -> names, listing order
        std::set<std::string> refused;
    };

private:
    class Service;
    void ensureFolder(Area& area, const std::string& path);
    void addChild(Area& area, const std::string& folder, const std::string& name, Entry entry);
    bool alive();

    mutable std::mutex mutex_;
    std::map<std::string, Area> areas_;
    std::map<std::string, std::pair<std::string, bool>> apps_;  // bundle id -> display name, has icon
    std::map<std::string, clean::InstalledApp> appInfo_;        // bundle id -> type and versions
    std::set<std::string> failedContainers_;
    std::atomic<int> appListStatus_{0};
    bool mediaFails_ = false, iconServiceFails_ = false;
    std::atomic<int> disconnectAfter_{-1};
    std::atomic<bool> connected_{true};
    std::atomic<int> open_{0}, maxOpen_{0}, started_{0};
};

// Readable QStrings in test failures.
inline void PrintTo(const QString& text, std::ostream* out) { *out << '"' << text.toStdString() << '"'; }
