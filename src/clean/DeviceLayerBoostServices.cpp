// The system-boost page's device services over the device layer: the media area through the
// clean pages' services, the crash logs through the crash-report service.
#include "clean/SystemBoostServices.h"

#include "device/CrashReportService.h"
#include "platform/CoreFoundation.h"

#include <QtDebug>
#include <cstdlib>

namespace clean {

namespace {

std::string textOf(CFTypeRef value) {
    auto s = cfCast<CFString>(value, CFStringGetTypeID());
    return s ? CFStringGetStdString(s) : std::string();
}

class CrashReportFileService final : public DeviceFileService {
public:
    explicit CrashReportFileService(std::unique_ptr<amd::CrashReportService> service) : service_(std::move(service)) {}

    // Only the root is listed: the crash logs lie there, and the service lists nothing else.
    bool ListDirectory(const std::string& path, std::vector<std::string>& names) override {
        if (path != "/") return false;
        CFHolder<CFMutableArrayRef> list(service_->ListRoot());
        if (!list) return false;
        CFHolder<CFStringRef> description(CFCopyDescription(list.get()));
        qInfo().noquote() << "Crash list:\n " + QString::fromStdString(textOf(description.get()));
        const CFIndex count = CFArrayGetCount(list.get());
        for (CFIndex i = 0; i < count; ++i) {
            std::string name = textOf(CFArrayGetValueAtIndex(list.get(), i));
            if (!name.empty()) names.push_back(std::move(name));
        }
        return true;
    }

    bool FileInfo(const std::string& path, DeviceEntryInfo& info) override {
        CFHolder<CFMutableDictionaryRef> attributes(service_->FileInfo(path));
        if (!attributes) return false;
        const std::string type = textOf(CFDictionaryGetValue(attributes.get(), "st_ifmt"));
        info.kind = type == "S_IFDIR"   ? DeviceEntryInfo::Kind::Directory
                    : type == "S_IFREG" ? DeviceEntryInfo::Kind::Regular
                                        : DeviceEntryInfo::Kind::Other;
        info.sizeText = textOf(CFDictionaryGetValue(attributes.get(), "st_size"));
        info.size = std::strtoull(info.sizeText.c_str(), nullptr, 10);
        return true;
    }

    int RemovePath(const std::string& path) override { return service_->RemovePath(path); }

    int CopyToLocal(const std::string& devicePath, const std::string& localPath) override {
        return service_->CopyToLocal(devicePath, localPath);
    }

private:
    std::unique_ptr<amd::CrashReportService> service_;
};

class DeviceLayerBoostServices final : public SystemBoostServices {
public:
    std::unique_ptr<DeviceFileService> startMediaArea(int deviceIndex) override {
        return deviceCleanServices().startMediaArea(deviceIndex);
    }
    std::unique_ptr<DeviceFileService> startCrashReports(int deviceIndex) override {
        auto service = std::make_unique<amd::CrashReportService>();
        if (service->Start(deviceIndex) != 0) return nullptr;
        return std::make_unique<CrashReportFileService>(std::move(service));
    }
};

}  // namespace

SystemBoostServices& systemBoostServices() {
    static DeviceLayerBoostServices services;
    return services;
}

}  // namespace clean
