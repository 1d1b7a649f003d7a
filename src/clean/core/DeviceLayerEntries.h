// What the device layer's listings and file attributes say, in the clean pages' own terms.
#pragma once

#include "clean/core/CleanDeviceServices.h"
#include "device/ServiceReplies.h"
#include "platform/CoreFoundation.h"

#include <string>
#include <vector>

namespace clean {

using amd::appendEntryNames;
using amd::stringValue;
// Kind and size from a file's attributes ("st_ifmt", "st_size").
DeviceEntryInfo entryInfoFromAttributes(CFDictionaryRef attributes);

}  // namespace clean
