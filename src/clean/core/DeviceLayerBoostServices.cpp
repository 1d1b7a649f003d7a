// The system-boost page's device services over the device layer: the media area through the
// clean pages' services, the crash logs through the crash-report service.
#include "clean/core/SystemBoostServices.h"

namespace clean {

namespace {

class DeviceLayerBoostServices final : public SystemBoostServices {
public:
    std::unique_ptr<amd::FileService> startMediaArea(int deviceIndex, int* status) override {
        return deviceCleanServices().startMediaArea(deviceIndex, status);
    }
    std::unique_ptr<amd::FileService> startCrashReports(int deviceIndex, int* status) override {
        return amd::startCrashReportFiles(deviceIndex, status);
    }
};

}  // namespace

SystemBoostServices& systemBoostServices() {
    static DeviceLayerBoostServices services;
    return services;
}

}  // namespace clean
