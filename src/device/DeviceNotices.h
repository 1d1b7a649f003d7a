// The notifications of devices coming and going, posted by the device sink (PRDeviceNotify)
// on the default centre with the device's index.
#pragma once

#include "platform/Notice.h"

namespace notices {

inline const Notice<NSNumber> DeviceConnect{"DeviceConnect"};
inline const Notice<NSNumber> DeviceDisConnect{"DeviceDisConnect"};

}  // namespace notices
