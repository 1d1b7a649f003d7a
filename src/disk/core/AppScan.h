// The app scan: lists the installed apps through the installation proxy and builds one record
// per user app (with its icon from the device, its sizes and their sum) and per system app
// (with an icon of the application chosen by its bundle identifier). A user app whose
// container cannot be opened is left out. Runs on one worker thread; each record goes to the
// sink with the progress reached (records made over apps listed).
#pragma once

#include "disk/core/DiskDeviceServices.h"

#include <atomic>
#include <functional>
#include <string>
#include <vector>

namespace disk {

struct AppScanRecord {
    bool userApp = false;
    std::string appBundleName;   // user app: the bundle identifier; system app: "CFBundleName"
    std::string appDisplayName;  // system apps fall back on the bundle name
    std::string appBundleId;     // "CFBundleIdentifier"
    std::string filePath;        // "Path"
    std::string appSize;         // size texts; " " for a system service
    std::string appDocumentSize;
    uint64_t appSizeNumber = 0;  // the bytes behind the two texts (0 when not given)
    uint64_t appDocumentSizeNumber = 0;
    uint64_t totalAppSizeNumber = 0;  // user apps: bundle and container
    std::string appVersion;
    std::string fileType;  // "DIR" (user app), "App" or "Service" (system app)
    // The icon: PNG bytes from the device, or the name of an image of the application
    // ("NULLImage.png" when the device has none; empty when the icon service did not start).
    std::vector<uint8_t> iconPNG;
    std::string iconImageName;
};

class AppScanSink {
public:
    virtual ~AppScanSink() = default;
    // Called on the worker; returns once the record has been taken.
    virtual void deliver(AppScanRecord record, float progress) = 0;
};

class AppScan {
public:
    struct Options {
        int deviceIndex = 0;
        std::function<bool()> deviceConnected;    // false ends the scan after the current app
        const std::atomic<bool>* stop = nullptr;  // true ends the scan after the current app
    };

    AppScan(DiskDeviceServices& services, Options options, AppScanSink& sink);

    enum class Outcome { Finished, NoService, Disconnected, Stopped };
    Outcome startScanDeviceApps();

    // Why the last scan ended with NoService (the device layer's status in words); else empty.
    const std::string& failureReason() const { return failureReason_; }

    // Bundle and container bytes of the user apps listed.
    uint64_t allAppFileSize() const { return total_; }

    // The application's image for a system app's bundle identifier ("appstore.png" for any
    // identifier it has no image of).
    static std::string systemAppIconName(const std::string& bundleId);
    // "CFBundleShortVersionString" when given, else "CFBundleVersion".
    static std::string versionOf(const DeviceApp& app);

private:
    bool userRecord(const DeviceApp& app, AppScanRecord& record);
    AppScanRecord systemRecord(const DeviceApp& app) const;

    DiskDeviceServices& services_;
    Options options_;
    AppScanSink& sink_;
    uint64_t total_ = 0;
    std::string failureReason_;
};

}  // namespace disk
