// The disk manager's device services over the device layer: each start makes its own amd
// service object, which the returned object deletes on the thread that used it.
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

class AfcFileService final : public DeviceFileService {
public:
    explicit AfcFileService(std::unique_ptr<amd::AfcService> service) : service_(std::move(service)) {}

    bool ListDirectory(const std::string& path, std::vector<std::string>& names) override {
        CFHolder<CFMutableArrayRef> list(service_->ListDirectory(path));
        if (!list) return false;
        amd::appendEntryNames(list.get(), names);
        return true;
    }

    bool FileInfo(const std::string& path, DeviceEntry& entry) override {
        CFHolder<CFMutableDictionaryRef> attributes(service_->FileInfo(path));
        if (!attributes) return false;
        const amd::AfcEntry found = amd::entryFromAttributes(attributes.get());
        entry.kind = found.kind == amd::AfcEntry::Kind::Directory ? DeviceEntry::Kind::Directory
                     : found.kind == amd::AfcEntry::Kind::Regular ? DeviceEntry::Kind::Regular
                                                                  : DeviceEntry::Kind::Other;
        entry.size = found.size;
        entry.mtime = found.mtime;
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

class DeviceLayerServices final : public DiskDeviceServices {
public:
    std::unique_ptr<DeviceFileService> startMediaArea(int deviceIndex) override {
        auto service = std::make_unique<amd::AfcService>();
        if (service->Start(deviceIndex) != 0) return nullptr;
        return std::make_unique<AfcFileService>(std::move(service));
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

    std::unique_ptr<DeviceFileService> startAppDir(int deviceIndex, const std::string& bundleId) override {
        auto service = std::make_unique<amd::AppDirService>();
        CFHolder<CFStringRef> id(CFStringCreateWithCString(bundleId.c_str()));
        if (!id || service->Start(deviceIndex, id.get()) != 0) return nullptr;
        return std::make_unique<AfcFileService>(std::move(service));
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
