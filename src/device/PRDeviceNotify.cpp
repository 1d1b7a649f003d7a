#include "device/PRDeviceNotify.h"

#include "device/DeviceNotices.h"
#include "platform/NotificationCenter.h"

namespace amd {

void PRDeviceNotify::OnConnect(int deviceIndex) {
    notices::DeviceConnect.post(NSNotificationCenter::defaultCenter(), NSNumber::numberWithInt(deviceIndex));
}

void PRDeviceNotify::OnDisconnect(int deviceIndex) {
    notices::DeviceDisConnect.post(NSNotificationCenter::defaultCenter(), NSNumber::numberWithInt(deviceIndex));
}

}  // namespace amd
