// The disk manager's device services over the device layer.
#include "device/AfcService.h"
#include "device/AppService.h"
#include "device/Conversions.h"
#include "device/ServiceReplies.h"
#include "disk/core/DiskDeviceServices.h"
#include "platform/CoreFoundation.h"

namespace disk {

namespace {

using amd::stringValue;

// A byte count the device gave as a number; false when it gave none.
bool byteCount(CFTypeRef value, uint64_t& bytes) {
    if (CFGetTypeID(value) != CFNumberGetTypeID()) return false;
    const int64_t v = amd::cfnumber_to_int64(value);
    bytes = v > 0 ? uint64_t(v) : 0;
    return true;
}

class DeviceLayerServices final : public DiskDeviceServices {
public:
    std::unique_ptr<amd::FileService> startMediaArea(int deviceIndex) override {
        return amd::startMediaAreaFiles(deviceIndex);
    }

    bool lookupApplications(int deviceIndex, std::vector<DeviceApp>& apps, int* status) override {
        return amd::forEachInstalledApp(deviceIndex, status, [&apps](CFTypeRef bundleId, CFDictionaryRef attributes) {
            DeviceApp app;
            app.bundleId = stringValue(bundleId);
            if (attributes) {
                auto text = [attributes](const char* key) {
                    return stringValue(CFDictionaryGetValue(attributes, key));
                };
                app.applicationType = text("ApplicationType");
                app.displayName = text("CFBundleDisplayName");
                app.bundleName = text("CFBundleName");
                app.identifier = text("CFBundleIdentifier");
                app.path = text("Path");
                app.shortVersion = text("CFBundleShortVersionString");
                app.bundleVersion = text("CFBundleVersion");
                app.hasStaticDiskUsage =
                    byteCount(CFDictionaryGetValue(attributes, "StaticDiskUsage"), app.staticDiskUsage);
                app.hasDynamicDiskUsage =
                    byteCount(CFDictionaryGetValue(attributes, "DynamicDiskUsage"), app.dynamicDiskUsage);
                app.description = amd::cftype_to_string(attributes);
            }
            apps.push_back(std::move(app));
        });
    }

    bool appContainerOpens(int deviceIndex, const std::string& bundleId) override {
        amd::AppDirService service;
        CFHolder<CFStringRef> id(CFStringCreateWithCString(bundleId.c_str()));
        return id && service.Start(deviceIndex, id.get()) == 0;
    }

    IconResult iconPNGData(int deviceIndex, const std::string& bundleId, std::vector<uint8_t>& png,
                           int* status) override {
        return amd::fetchIconPNGData(deviceIndex, bundleId, png, status);
    }

    std::unique_ptr<amd::FileService> startAppDir(int deviceIndex, const std::string& bundleId) override {
        return amd::startAppDirFiles(deviceIndex, bundleId);
    }

    int uninstallApp(int deviceIndex, const std::string& bundleId) override {
        amd::AppService service;
        if (service.Start(deviceIndex) != 0) return -1;
        CFHolder<CFStringRef> id(CFStringCreateWithCString(bundleId.c_str()));
        return id ? service.Uninstall(id.get(), nullptr) : -1;
    }
};

}  // namespace

DiskDeviceServices& deviceDiskServices() {
    static DeviceLayerServices services;
    return services;
}

}  // namespace disk
