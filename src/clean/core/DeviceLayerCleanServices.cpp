// The clean pages' device services over the device layer.
#include "clean/core/CleanDeviceServices.h"
#include "device/AppService.h"
#include "platform/CoreFoundation.h"

namespace clean {

namespace {

using amd::stringValue;

class DeviceLayerServices final : public DeviceCleanServices {
public:
    std::unique_ptr<amd::FileService> startAppDir(int deviceIndex, const std::string& bundleId, int* status) override {
        return amd::startAppDirFiles(deviceIndex, bundleId, status);
    }

    std::unique_ptr<amd::FileService> startMediaArea(int deviceIndex, int* status) override {
        return amd::startMediaAreaFiles(deviceIndex, status);
    }

    bool lookupApplications(int deviceIndex, std::vector<InstalledApp>& apps, int* status) override {
        return amd::forEachInstalledApp(deviceIndex, status, [&apps](CFTypeRef bundleId, CFDictionaryRef attributes) {
            auto attribute = [attributes](const char* key) {
                return attributes ? stringValue(CFDictionaryGetValue(attributes, key)) : std::string();
            };
            apps.push_back({stringValue(bundleId), attribute("CFBundleDisplayName"), attribute("ApplicationType"),
                            attribute("CFBundleShortVersionString"), attribute("CFBundleVersion")});
        });
    }

    IconResult iconPNGData(int deviceIndex, const std::string& bundleId, std::vector<uint8_t>& png,
                           int* status) override {
        return amd::fetchIconPNGData(deviceIndex, bundleId, png, status);
    }
};

}  // namespace

DeviceCleanServices& deviceCleanServices() {
    static DeviceLayerServices services;
    return services;
}

}  // namespace clean
