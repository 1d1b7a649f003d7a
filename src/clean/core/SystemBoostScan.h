// The system-boost scan: crash logs (the crash-report area's root), downloads ("/Downloads"),
// user storage ("/general_storage"), media of failed syncs ("/iTunes_Control/Sync/Media") and
// edited photos ("/PhotoData/Mutations/DCIM"), in that order, each folder walked depth first.
// Runs on one worker thread; the records it makes are read by others only after run() returned.
#pragma once

#include "clean/core/PRPhoneSystemDirNode.h"
#include "clean/core/SystemBoostServices.h"

#include <QString>
#include <array>
#include <chrono>
#include <functional>
#include <vector>

namespace clean {

// In scan order.
enum class BoostCategory { SystemLog, DownloadTemp, UserStorage, SyncFailed, SyncCache };
inline constexpr int kBoostCategoryCount = 5;
inline constexpr std::array<BoostCategory, kBoostCategoryCount> kBoostCategories{
    BoostCategory::SystemLog, BoostCategory::DownloadTemp, BoostCategory::UserStorage, BoostCategory::SyncFailed,
    BoostCategory::SyncCache};

// The folder a category walks ("/" for the crash logs).
QString boostFolderOf(BoostCategory category);
// Whether a file name is an edited-photo image: it ends in "jpg", "png" or "jpeg" (exactly so;
// "IMG.JPG" is not one).
bool isEditedPhotoName(const std::string& name);

// What one category holds.
struct BoostFiles {
    std::vector<PRPhoneSystemFileNodePtr> files;
    uint64_t bytes = 0;
};

class SystemBoostScanSink {
public:
    virtual ~SystemBoostScanSink() = default;
    // The path of an entry just taken (not every one: at most one per path interval).
    virtual void showFilePath(BoostCategory, const QString& /*devicePath*/) {}
    // After each of the first four categories: 0.2, 0.4, 0.6, 0.8.
    virtual void progress(float) {}
};

class SystemBoostScan {
public:
    struct Options {
        int deviceIndex = 0;
        std::function<bool()> deviceConnected;  // false ends each folder after the current entry
        std::chrono::milliseconds pathInterval{40};
    };

    SystemBoostScan(SystemBoostServices& services, Options options, SystemBoostScanSink& sink);

    // The five categories in order.
    void run();
    void CleanupiOSLogFiles();
    void CleanupDownloadTempFiles();
    void CleanupUserStorageFiles();
    void CleanupiTuneSyncfailedFiles();
    void CleanupiTunesSyncCacheFiles();
    // The walk below one folder of the media area.
    void traverseDirWithpath(const std::string& path, amd::FileService& service, BoostCategory category);

    const BoostFiles& found(BoostCategory category) const { return found_[size_t(category)]; }
    BoostFiles& found(BoostCategory category) { return found_[size_t(category)]; }
    uint64_t totalFileNumber() const { return totalFileNumber_; }

private:
    void scanMediaFolder(BoostCategory category);
    void take(BoostCategory category, const std::string& path, const std::string& name, const amd::FileEntry& info);
    bool connected() const { return !options_.deviceConnected || options_.deviceConnected(); }

    SystemBoostServices& services_;
    Options options_;
    SystemBoostScanSink& sink_;
    std::array<BoostFiles, kBoostCategoryCount> found_;
    uint64_t totalFileNumber_ = 0;
    std::chrono::steady_clock::time_point lastPath_{};
};

}  // namespace clean
