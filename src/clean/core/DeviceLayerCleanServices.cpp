// The clean pages' device services over the device layer: each start makes its own amd
// service object, which the returned object deletes on the thread that used it.
#include "clean/core/CleanDeviceServices.h"
#include "clean/core/DeviceLayerEntries.h"
#include "device/AfcService.h"
#include "device/AppService.h"
#include "platform/CoreFoundation.h"

namespace clean {

namespace {

class AfcFileService final : public DeviceFileService {
public:
    explicit AfcFileService(std::unique_ptr<amd::AfcService> service) : service_(std::move(service)) {}

    bool ListDirectory(const std::string& path, std::vector<std::string>& names) override {
        CFHolder<CFMutableArrayRef> list(service_->ListDirectory(path));
        if (!list) return false;
        appendEntryNames(list.get(), names);
        return true;
    }

    bool FileInfo(const std::string& path, DeviceEntryInfo& info) override {
        CFHolder<CFMutableDictionaryRef> attributes(service_->FileInfo(path));
        if (!attributes) return false;
        info = entryInfoFromAttributes(attributes.get());
        return true;
    }

    int RemovePath(const std::string& path) override { return service_->RemovePath(path); }

    int CopyToLocal(const std::string& devicePath, const std::string& localPath) override {
        return service_->CopyToLocal(devicePath, localPath);
    }

    int CopyToDevice(const std::string& localPath, const std::string& devicePath) override {
        return service_->CopyToDevice(localPath, devicePath);
    }

private:
    std::unique_ptr<amd::AfcService> service_;
};

// The started service, or null with the start's status kept for the caller.
std::unique_ptr<DeviceFileService> wrapped(std::unique_ptr<amd::AfcService> service, int started, int* status) {
    if (status) *status = started;
    if (started != 0) return nullptr;
    return std::make_unique<AfcFileService>(std::move(service));
}

class DeviceLayerServices final : public DeviceCleanServices {
public:
    std::unique_ptr<DeviceFileService> startAppDir(int deviceIndex, const std::string& bundleId, int* status) override {
        auto service = std::make_unique<amd::AppDirService>();
        CFHolder<CFStringRef> id(CFStringCreateWithCString(bundleId.c_str()));
        const int started = id ? service->Start(deviceIndex, id.get()) : kAMDInvalidArgumentError;
        return wrapped(std::move(service), started, status);
    }

    std::unique_ptr<DeviceFileService> startMediaArea(int deviceIndex, int* status) override {
        auto service = std::make_unique<amd::AfcService>();
        const int started = service->Start(deviceIndex);
        return wrapped(std::move(service), started, status);
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
