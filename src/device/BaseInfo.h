// The values a device publishes through lockdown (name, identifiers, versions, disk usage),
// and the last asset metrics the device sent over its sync-message connection.
#pragma once

#include "device/BaseService.h"

#include <cstdint>
#include <mutex>

namespace amd {

struct DiskCapacities {
    uint64_t totalDiskCapacity = 0;
    uint64_t totalDataCapacity = 0;
    uint64_t totalSystemCapacity = 0;
    uint64_t amountDataAvailable = 0;
    uint64_t totalSystemAvailable = 0;
    uint64_t totalDataAvailable = 0;
};

class BaseInfo : public BaseService {
public:
    ~BaseInfo() override;

    // A lockdown value owned by the caller, NULL when any step fails or the device does not
    // publish it. A NULL key gives the whole domain.
    CFTypeRef CopyValue(CFStringRef domain, CFStringRef key);
    // Text values owned by the caller; NULL when missing or not text.
    CFStringRef DeviceName();
    CFStringRef UniqueDeviceID();
    CFStringRef ProductType();
    CFStringRef ProductVersion();
    CFStringRef PhoneNumber();
    CFStringRef BuildVersion();
    CFStringRef SerialNumber();
    // The "com.apple.mobile.battery" domain, owned by the caller.
    CFDictionaryRef BatteryInfo();
    int64_t TimeZoneOffset();
    // The "com.apple.disk_usage" figures; all 0 when the domain is missing.
    void DiskUsage(DiskCapacities& out);
    // The model code of the product type, 0 when unknown.
    int ModelCode();

    // Keeps a copy of the "Params" of an "AssetMetrics" message (called on the reader thread).
    void SetAssetMetrics(CFDictionaryRef params);
    // The last metrics (a reference the holder releases), empty before the first message.
    CFHolder<CFDictionaryRef> GetAssetMetrics();

private:
    CFStringRef copyText(const char* key);

    std::mutex metricsMutex;
    CFDictionaryRef assetMetrics = nullptr;
};

}  // namespace amd
