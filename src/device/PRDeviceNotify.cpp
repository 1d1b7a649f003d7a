#include "device/PRDeviceNotify.h"

#include "platform/NotificationCenter.h"

namespace amd {

void PRDeviceNotify::OnConnect(int deviceIndex) {
    NSNotificationCenter::defaultCenter().postNotificationName("DeviceConnect", NSNumber::numberWithInt(deviceIndex));
}

void PRDeviceNotify::OnDisconnect(int deviceIndex) {
    NSNotificationCenter::defaultCenter().postNotificationName("DeviceDisConnect",
                                                               NSNumber::numberWithInt(deviceIndex));
}

}  // namespace amd
