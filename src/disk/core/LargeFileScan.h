// The large-file finder's scan: walks the device's media area from "/", then the containers of
// the installed apps (their Documents, tmp, Library/Caches and Library/Cookies folders and
// their .app bundles), and keeps every regular file above the size limit. Each area keeps two
// lists, in walk order: the Large list (at most 100,000,000 bytes) and the Big list (above).
// Runs on one worker thread; the sink hears of every hit (the page shows its path) and of the
// progress, once per top-level entry of the media area and once per app.
#pragma once

#include "disk/core/DiskDeviceServices.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace disk {

// One found file.
struct LargeFileRecord {
    std::string fileName;        // last path component of filePath
    std::string filePath;        // from the media root, or from the app container's root
    std::string fileSize;        // the size as the pages show it
    std::string fileParentName;  // app files: the app's display name and ".app"; else empty
    std::string appBundId;       // app files: the app's bundle identifier; else empty
    uint64_t fileSizeNumber = 0;
    uint64_t appFileSizeNumber = 0;  // app files: the whole app's bytes (bundle and container)
    // App files: the app's icon as PNG bytes (shared by the app's records); without them,
    // iconImageName names the image to show ("NULLImage.png" when the device has no icon,
    // empty without an icon service).
    std::shared_ptr<const std::vector<uint8_t>> iconPNG;
    std::string iconImageName;
};

// Largest first by bytes (sizeOf gives an element's), elements of one size keeping their order:
// the order of the detail views' tables.
template <class T, class SizeOf>
void sortLargestFirst(std::vector<T>& list, SizeOf sizeOf) {
    std::stable_sort(list.begin(), list.end(), [&sizeOf](const T& a, const T& b) { return sizeOf(a) > sizeOf(b); });
}
inline void sortLargestFirst(std::vector<LargeFileRecord>& records) {
    sortLargestFirst(records, [](const LargeFileRecord& r) { return r.fileSizeNumber; });
}
// The path as the running label shows it: whole below 36 characters, else "..." and its last 34.
std::string largeFilePathLabel(const std::string& path);

class LargeFileSink {
public:
    virtual ~LargeFileSink() = default;
    // Called on the worker; each returns once the page took it.
    virtual void userDataProgress(float value) = 0;
    virtual void foundUserDataFile(const std::string& path) = 0;
    virtual void appDataProgress(float value) = 0;
    virtual void foundAppDataFile(const std::string& path) = 0;
};

class LargeFileScan {
public:
    static constexpr uint64_t kBigFileSize = 100000000;

    struct Options {
        int deviceIndex = 0;
        uint64_t largeFileSize = 2000000;         // a file of exactly this size is not listed
        std::function<bool()> deviceConnected;    // false ends the walk after the current entry
        const std::atomic<bool>* stop = nullptr;  // true ends the walk after the current entry
    };

    LargeFileScan(DiskDeviceServices& services, Options options, LargeFileSink& sink);

    enum class Outcome { Finished, NoService, Disconnected, Stopped };
    Outcome scanFindLargeFileWithInUserData();
    // NoService when the apps cannot be listed: failureReason says why.
    Outcome scanFindLargeFileWithInAppData();
    const std::string& failureReason() const { return failureReason_; }

    std::vector<LargeFileRecord> userDataLargeFileArray, userDataBigFileArray, appLargeFileArray, appBigFileArray;
    uint64_t allDocumentFileSize = 0, allAppFileSize = 0;
    uint64_t filesExamined = 0;  // regular files looked at in both areas

private:
    struct AppContext;
    bool mustEnd();
    void traverseDirWithpath(const std::string& path, amd::FileService& service);
    void traverseDirWithpath(const std::string& path, amd::FileService& service, AppContext& app);
    // One entry: a folder is walked, a regular file tested; false when the walk must end.
    bool examine(const std::string& path, amd::FileService& service, AppContext* app);
    void hit(const std::string& path, uint64_t size, AppContext* app);
    void walkContainer(amd::FileService& service, AppContext& app);

    DiskDeviceServices& services_;
    Options options_;
    LargeFileSink& sink_;
    Outcome ending_ = Outcome::Finished;
    std::string failureReason_;
};

}  // namespace disk
