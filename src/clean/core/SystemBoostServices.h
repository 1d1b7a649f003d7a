// What the system-boost page needs of the device: the media area and the crash-report area,
// each as a file service started for one walk or one operation and destroyed on the thread that
// made it. The application uses the device layer behind it (systemBoostServices()).
#pragma once

#include "clean/core/CleanDeviceServices.h"

#include <memory>

namespace clean {

class SystemBoostServices {
public:
    virtual ~SystemBoostServices() = default;
    // A started service of the media area, or null; then status (when given) holds the device
    // layer's status.
    virtual std::unique_ptr<amd::FileService> startMediaArea(int deviceIndex, int* status = nullptr) = 0;
    // A started service of the crash-report area, or null. Its listing of "/" holds only the
    // names that contain a "." (the crash logs), as the device layer's root listing does.
    virtual std::unique_ptr<amd::FileService> startCrashReports(int deviceIndex, int* status = nullptr) = 0;
};

// The services of the device layer (they hold no state).
SystemBoostServices& systemBoostServices();

}  // namespace clean
