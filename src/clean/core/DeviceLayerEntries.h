// What the device layer's listings and file attributes say, in the clean pages' own terms.
#pragma once

#include "clean/core/CleanDeviceServices.h"
#include "platform/CoreFoundation.h"

#include <string>
#include <vector>

namespace clean {

// The text of a string value; empty for anything else.
std::string stringValue(CFTypeRef value);
// Appends the non-empty names of a listing.
void appendEntryNames(CFArrayRef list, std::vector<std::string>& names);
// Kind and size from a file's attributes ("st_ifmt", "st_size").
DeviceEntryInfo entryInfoFromAttributes(CFDictionaryRef attributes);

}  // namespace clean
