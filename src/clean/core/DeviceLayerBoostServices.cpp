// The system-boost page's device services over the device layer: the media area through the
// clean pages' services, the crash logs through the crash-report service.
#include "clean/core/DeviceLayerEntries.h"
#include "clean/core/SystemBoostServices.h"
#include "device/CrashReportService.h"
#include "platform/CoreFoundation.h"
#include "platform/LogCategories.h"

#include <QtDebug>

namespace clean {

namespace {

class CrashReportFileService final : public DeviceFileService {
public:
    explicit CrashReportFileService(std::unique_ptr<amd::CrashReportService> service) : service_(std::move(service)) {}

    // Only the root is listed: the crash logs lie there, and the service lists nothing else.
    bool ListDirectory(const std::string& path, std::vector<std::string>& names) override {
        if (path != "/") return false;
        CFHolder<CFMutableArrayRef> list(service_->ListRoot());
        if (!list) return false;
        CFHolder<CFStringRef> description(CFCopyDescription(list.get()));
        qCInfo(lcClean).noquote() << "Crash list:\n " + QString::fromStdString(stringValue(description.get()));
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

private:
    std::unique_ptr<amd::CrashReportService> service_;
};

class DeviceLayerBoostServices final : public SystemBoostServices {
public:
    std::unique_ptr<DeviceFileService> startMediaArea(int deviceIndex, int* status) override {
        return deviceCleanServices().startMediaArea(deviceIndex, status);
    }
    std::unique_ptr<DeviceFileService> startCrashReports(int deviceIndex, int* status) override {
        auto service = std::make_unique<amd::CrashReportService>();
        const int started = service->Start(deviceIndex);
        if (status) *status = started;
        if (started != 0) return nullptr;
        return std::make_unique<CrashReportFileService>(std::move(service));
    }
};

}  // namespace

SystemBoostServices& systemBoostServices() {
    static DeviceLayerBoostServices services;
    return services;
}

}  // namespace clean
