// The simulated device the tool works on, found by its identifier among the device folders
// listed in QUILLOMATRIX_SIMULATED_DEVICES (the devices "plugged in").
#pragma once

#include "platform/CoreFoundation.h"

#include <memory>
#include <string>

namespace mobilebackup {

struct DeviceFolder {
    std::string folder;                // real path
    CFHolder<CFDictionaryRef> values;  // lockdown values without a domain

    // A string lockdown value; empty when missing or not a string.
    std::string value(const char* key) const;
    // False when the device neither holds a pairing record nor accepts this computer.
    bool trustsComputer() const;
};

// The attached device whose UniqueDeviceID is identifier; throws ToolError (kUnknownDevice)
// when there is none.
std::unique_ptr<DeviceFolder> findDevice(const std::string& identifier);

}  // namespace mobilebackup
