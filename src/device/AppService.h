// The installed apps of a device, through the installation proxy
// ("com.apple.mobile.installation_proxy"): list, uninstall, install, archive.
#pragma once

#include "device/BaseService.h"

#include <functional>
#include <string>
#include <vector>

namespace amd {

// One installed app; the references point into the service's cached lookup (not retained).
struct AppRecord {
    CFStringRef displayName = nullptr;
    CFStringRef bundleId = nullptr;
    CFStringRef iconName = nullptr;  // always "iTunesArtwork"
    CFStringRef applicationType = nullptr;
    CFStringRef path = nullptr;
    CFTypeRef ubiquityContainerIds = nullptr;
    CFTypeRef ubiquityKvstoreId = nullptr;
    bool fileSharingEnabled = false;
    CFNumberRef dynamicDiskUsage = nullptr;
    CFNumberRef staticDiskUsage = nullptr;
};

class AppService : public BaseService {
public:
    ~AppService() override;

    int Start(int deviceIndex) override;
    // {"ReturnAttributes": [the 13 attribute names]}, made once for the process.
    static CFDictionaryRef LookupOptions();
    // Bundle identifier -> attribute dictionary, owned by the caller; NULL on failure, when
    // status (if given) holds the device's status (kAMDUndefinedError for a reply of another kind).
    CFDictionaryRef LookupApplications(int* status = nullptr);
    // New array of the bundle identifiers of the cached lookup (made on first use).
    CFArrayRef AppIdList();
    std::vector<AppRecord> AppRecords();
    int Uninstall(CFStringRef bundleId, am_device_progress_callback callback);
    int Install(const std::string& path, am_device_progress_callback transferCallback,
                am_device_progress_callback installCallback);
    int Archive(CFStringRef bundleId, bool documents, bool application);
    // The device's reply, owned by the caller, or NULL.
    CFPropertyListRef LookupArchives();
    int RemoveApplicationArchive(CFStringRef bundleId);
    static void DefaultProgressCallback(CFDictionaryRef status, void* context);

private:
    CFDictionaryRef lookup = nullptr;
    std::vector<CFTypeRef> keys;
    std::vector<CFTypeRef> values;
    unsigned int count = 0;
};

// Starts the installation proxy on the device at deviceIndex and hands each installed app to
// each, in the reply's order: its bundle identifier and its attributes (null when the reply gives
// none). False, with the device's status in *status (when given), when the service cannot start
// or the look-up fails.
bool forEachInstalledApp(int deviceIndex, int* status,
                         const std::function<void(CFTypeRef bundleId, CFDictionaryRef attributes)>& each);

}  // namespace amd
