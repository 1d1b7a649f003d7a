// What the cleaning workers need of the device, in the shape of the device layer's service
// objects: a file service (the media area or one app's container, device/FileService.h) started
// for one operation or one walk and destroyed on the thread that made it, the installed-app
// lookup, and the icon fetch. The application uses the device layer behind it
// (deviceCleanServices()); benchmarks wrap it to time the device calls.
#pragma once

#include "device/FileService.h"
#include "device/ServiceReplies.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace clean {

struct InstalledApp {
    std::string bundleId;
    std::string displayName;      // "CFBundleDisplayName"
    std::string applicationType;  // "ApplicationType": "User", "System", ...
    std::string shortVersion;     // "CFBundleShortVersionString"
    std::string bundleVersion;    // "CFBundleVersion"

    // The name a user sees: the display name, or the bundle identifier of an app without one.
    const std::string& shownName() const { return displayName.empty() ? bundleId : displayName; }
};

class DeviceCleanServices {
public:
    virtual ~DeviceCleanServices() = default;
    // A started container service of the app, or null when it cannot be started; then status
    // (when given) holds the device layer's status (device/StatusText.h says what it means).
    virtual std::unique_ptr<amd::FileService> startAppDir(int deviceIndex, const std::string& bundleId,
                                                          int* status = nullptr) = 0;
    // A started service of the media area, or null (and status as above).
    virtual std::unique_ptr<amd::FileService> startMediaArea(int deviceIndex, int* status = nullptr) = 0;
    // The installed apps in the lookup's key order; false when the app list cannot be read
    // (and status as above).
    virtual bool lookupApplications(int deviceIndex, std::vector<InstalledApp>& apps, int* status = nullptr) = 0;
    using IconResult = amd::IconFetch;
    // The app's icon as PNG bytes; without the service, status as above.
    virtual IconResult iconPNGData(int deviceIndex, const std::string& bundleId, std::vector<uint8_t>& png,
                                   int* status = nullptr) = 0;
};

// The services of the device layer, shared by every page (they hold no state).
DeviceCleanServices& deviceCleanServices();

}  // namespace clean
