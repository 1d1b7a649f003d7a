// What the disk manager's scans need of the device, in the shape of the device layer's service
// objects: a file service of the media area (device/FileService.h) started for one walk and
// destroyed on the thread that made it, the installed-app list with the attributes the app
// lists show, whether an app's container opens, and the icon fetch. The application uses the
// device layer behind it (deviceDiskServices()); tests and benchmarks put their own in front.
#pragma once

#include "device/FileService.h"
#include "device/ServiceReplies.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace disk {

// One installed app as the installation proxy describes it. Texts the device does not give are
// empty; the two sizes say whether the device gave them.
struct DeviceApp {
    std::string bundleId;         // the lookup's key
    std::string applicationType;  // "User", "System", ...
    std::string displayName;      // "CFBundleDisplayName"
    std::string bundleName;       // "CFBundleName"
    std::string identifier;       // "CFBundleIdentifier"
    std::string path;             // "Path"
    std::string shortVersion;     // "CFBundleShortVersionString"
    std::string bundleVersion;    // "CFBundleVersion"
    bool hasStaticDiskUsage = false;
    uint64_t staticDiskUsage = 0;  // bytes of the app bundle
    bool hasDynamicDiskUsage = false;
    uint64_t dynamicDiskUsage = 0;  // bytes of the app's container
    std::string description;        // the attributes as the log shows them
};

class DiskDeviceServices {
public:
    virtual ~DiskDeviceServices() = default;
    // A started service of the media area, or null when it cannot be started.
    virtual std::unique_ptr<amd::FileService> startMediaArea(int deviceIndex) = 0;
    // The installed apps in the lookup's key order; false when the installation proxy cannot be
    // started or the list cannot be read; then status (when given) holds the device layer's
    // status (device/StatusText.h says what it means).
    virtual bool lookupApplications(int deviceIndex, std::vector<DeviceApp>& apps, int* status = nullptr) = 0;
    // Whether the app's container can be opened (the app is then listed).
    virtual bool appContainerOpens(int deviceIndex, const std::string& bundleId) = 0;
    using IconResult = amd::IconFetch;
    // The app's icon as PNG bytes; without the service, status as above.
    virtual IconResult iconPNGData(int deviceIndex, const std::string& bundleId, std::vector<uint8_t>& png,
                                   int* status = nullptr) = 0;
    // A started service of the app's container, or null when it cannot be opened.
    virtual std::unique_ptr<amd::FileService> startAppDir(int /*deviceIndex*/, const std::string& /*bundleId*/) {
        return nullptr;
    }
    // Uninstalls the app: 0 on success, else the device's status (-1 without the service).
    virtual int uninstallApp(int /*deviceIndex*/, const std::string& /*bundleId*/) { return -1; }
};

// The services of the device layer (they hold no state).
DiskDeviceServices& deviceDiskServices();

}  // namespace disk
