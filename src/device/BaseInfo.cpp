#include "device/BaseInfo.h"

#include "device/Conversions.h"

#include <vector>

namespace amd {

BaseInfo::~BaseInfo() { CFRelease(assetMetrics); }

CFTypeRef BaseInfo::CopyValue(CFStringRef domain, CFStringRef key) {
    if (!device) return nullptr;
    CFTypeRef value = nullptr;
    int status = device->Lockdown([&](AMDeviceRef handle) {
        value = AMDeviceCopyValue(handle, domain, key);
        return 0;
    });
    if (status != 0) {
        CFRelease(value);
        return nullptr;
    }
    return value;
}

CFStringRef BaseInfo::copyText(const char* key) {
    CFHolder<CFStringRef> name(CFStringCreateWithCString(key));
    CFHolder<CFTypeRef> value(CopyValue(nullptr, name.get()));
    if (!value || CFGetTypeID(value.get()) != CFStringGetTypeID()) return nullptr;
    return static_cast<CFStringRef>(value.release());
}

CFStringRef BaseInfo::DeviceName() { return copyText("DeviceName"); }
CFStringRef BaseInfo::UniqueDeviceID() { return copyText("UniqueDeviceID"); }
CFStringRef BaseInfo::ProductType() { return copyText("ProductType"); }
CFStringRef BaseInfo::ProductVersion() { return copyText("ProductVersion"); }
CFStringRef BaseInfo::PhoneNumber() { return copyText("PhoneNumber"); }
CFStringRef BaseInfo::BuildVersion() { return copyText("BuildVersion"); }
CFStringRef BaseInfo::SerialNumber() { return copyText("SerialNumber"); }

CFDictionaryRef BaseInfo::BatteryInfo() {
    CFHolder<CFStringRef> domain(CFStringCreateWithCString("com.apple.mobile.battery"));
    CFHolder<CFTypeRef> value(CopyValue(domain.get(), nullptr));
    if (!value || CFGetTypeID(value.get()) != CFDictionaryGetTypeID()) return nullptr;
    return static_cast<CFDictionaryRef>(value.release());
}

int64_t BaseInfo::TimeZoneOffset() {
    CFHolder<CFStringRef> key(CFStringCreateWithCString("TimeZoneOffsetFromUTC"));
    CFHolder<CFTypeRef> value(CopyValue(nullptr, key.get()));
    return cfnumber_to_int64(value.get());
}

void BaseInfo::DiskUsage(DiskCapacities& out) {
    out = DiskCapacities{};
    CFHolder<CFStringRef> domain(CFStringCreateWithCString("com.apple.disk_usage"));
    CFHolder<CFTypeRef> value(CopyValue(domain.get(), nullptr));
    if (!value || CFGetTypeID(value.get()) != CFDictionaryGetTypeID()) return;
    auto dict = static_cast<CFDictionaryRef>(value.get());
    auto read = [&](const char* key) {
        return static_cast<uint64_t>(cfnumber_to_int64(CFDictionaryGetValue(dict, key)));
    };
    out.totalDiskCapacity = read("TotalDiskCapacity");
    out.totalDataCapacity = read("TotalDataCapacity");
    out.totalSystemCapacity = read("TotalSystemCapacity");
    out.amountDataAvailable = read("AmountDataAvailable");
    out.totalSystemAvailable = read("TotalSystemAvailable");
    out.totalDataAvailable = read("TotalDataAvailable");
}

int BaseInfo::ModelCode() {
    struct Model {
        int code;
        std::vector<const char*> types;
    };
    static const Model models[] = {
        {1, {"iPad1,1"}},
        {2, {"iPad2,1", "iPad2,2", "iPad2,3", "iPad2,4"}},
        {3, {"iPad3,1", "iPad3,2", "iPad3,3"}},
        {4, {"iPad3,4", "iPad3,5", "iPad3,6"}},
        {5, {"iPad4,1", "iPad4,2"}},
        {6, {"iPad2,5", "iPad2,6", "iPad2,7"}},
        {7, {"iPad4,4", "iPad4,5"}},
        {8, {"iPhone1,1"}},
        {9, {"iPhone1,2"}},
        {10, {"iPhone2,2"}},
        {11, {"iPhone3,1", "iPhone3,2", "iPhone3,3"}},
        {12, {"iPhone4,1"}},
        {13, {"iPhone5,1", "iPhone5,2", "iPhone5,3"}},
        {14, {"iPhone6,1", "iPhone6,2"}},
        {15, {"iPod1,1"}},
        {16, {"iPod2,1"}},
        {17, {"iPod3,1"}},
        {18, {"iPod4,1"}},
        {19, {"iPod5,1"}},
    };
    CFHolder<CFStringRef> key(CFStringCreateWithCString("ProductType"));
    CFHolder<CFTypeRef> value(CopyValue(nullptr, key.get()));
    std::string type = cftype_to_string(value.get());
    for (const Model& model : models)
        for (const char* t : model.types)
            if (type.find(t) != std::string::npos) return model.code;
    return 0;
}

void BaseInfo::SetAssetMetrics(CFDictionaryRef params) {
    if (!params || CFGetTypeID(params) != CFDictionaryGetTypeID()) return;
    // A copy of our own: the sender's dictionary may change after the call.
    CFMutableDictionaryRef copy = CFDictionaryCreateMutable();
    CFIndex count = CFDictionaryGetCount(params);
    std::vector<CFTypeRef> keys(count), values(count);
    CFDictionaryGetKeysAndValues(params, keys.data(), values.data());
    for (CFIndex i = 0; i < count; ++i) CFDictionarySetValue(copy, static_cast<CFStringRef>(keys[i]), values[i]);
    CFDictionaryRef previous;
    {
        std::lock_guard lock(metricsMutex);
        previous = assetMetrics;
        assetMetrics = copy;
    }
    CFRelease(previous);
}

CFHolder<CFDictionaryRef> BaseInfo::GetAssetMetrics() {
    std::lock_guard lock(metricsMutex);
    CFRetain(assetMetrics);
    return CFHolder<CFDictionaryRef>(assetMetrics);
}

}  // namespace amd
