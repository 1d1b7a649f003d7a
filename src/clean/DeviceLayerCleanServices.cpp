#include "clean/CleanDeviceServices.h"

// TEMPORARY until the device layer is on main: a device with nothing attached.
namespace clean {
namespace {
class NoDevice final : public DeviceCleanServices {
public:
    std::unique_ptr<DeviceFileService> startAppDir(int, const std::string&) override { return nullptr; }
    std::unique_ptr<DeviceFileService> startMediaArea(int) override { return nullptr; }
    bool lookupApplications(int, std::vector<InstalledApp>&) override { return false; }
    IconResult iconPNGData(int, const std::string&, std::vector<uint8_t>&) override { return IconResult::NoService; }
};
}  // namespace
DeviceCleanServices& deviceCleanServices() {
    static NoDevice services;
    return services;
}
}  // namespace clean
