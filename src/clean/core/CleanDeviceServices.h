// What the cleaning workers need of the device, in the shape of the device layer's service
// objects: a file service (the media area or one app's container) started for one operation
// or one walk and destroyed on the thread that made it, the installed-app lookup, and the
// icon fetch. The application uses the device layer behind it (deviceCleanServices());
// benchmarks wrap it to time the device calls.
#pragma once

#include "device/ServiceReplies.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace clean {

struct DeviceEntryInfo {
    enum class Kind { Directory, Regular, Other };
    Kind kind = Kind::Other;
    std::string sizeText;  // the device's "st_size" text, a decimal byte count
    uint64_t size = 0;
};

// One started file service. Used by one thread at a time.
class DeviceFileService {
public:
    virtual ~DeviceFileService() = default;
    // The names in a folder (without "." and ".."); false when it cannot be listed.
    virtual bool ListDirectory(const std::string& path, std::vector<std::string>& names) = 0;
    // False when the device has no information about path.
    virtual bool FileInfo(const std::string& path, DeviceEntryInfo& info) = 0;
    // 0 on success, else the device's status.
    virtual int RemovePath(const std::string& path) = 0;
    // 0 when bytes were copied; 1 also for an empty device file (its empty copy is made).
    virtual int CopyToLocal(const std::string& devicePath, const std::string& localPath) = 0;
    // 0 when bytes were copied; 1 also for an empty local file, whose empty device file is
    // made all the same. Services that cannot write answer 1.
    virtual int CopyToDevice(const std::string& /*localPath*/, const std::string& /*devicePath*/) { return 1; }
};

struct InstalledApp {
    std::string bundleId;
    std::string displayName;      // "CFBundleDisplayName"
    std::string applicationType;  // "ApplicationType": "User", "System", ...
    std::string shortVersion;     // "CFBundleShortVersionString"
    std::string bundleVersion;    // "CFBundleVersion"
};

class DeviceCleanServices {
public:
    virtual ~DeviceCleanServices() = default;
    // A started container service of the app, or null when it cannot be started; then status
    // (when given) holds the device layer's status (device/StatusText.h says what it means).
    virtual std::unique_ptr<DeviceFileService> startAppDir(int deviceIndex, const std::string& bundleId,
                                                           int* status = nullptr) = 0;
    // A started service of the media area, or null (and status as above).
    virtual std::unique_ptr<DeviceFileService> startMediaArea(int deviceIndex, int* status = nullptr) = 0;
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
