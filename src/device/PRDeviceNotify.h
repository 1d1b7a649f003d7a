// The application's sink for device arrival and removal: it posts "DeviceConnect" and
// "DeviceDisConnect" with the device index (an NSNumber) on the default notification centre.
#pragma once

#include "device/DeviceManager.h"

namespace amd {

class PRDeviceNotify : public DeviceNotify {
public:
    void OnConnect(int deviceIndex) override;
    void OnDisconnect(int deviceIndex) override;
};

}  // namespace amd
