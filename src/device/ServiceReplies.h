// What the device services' replies say, read once for every feature's device services: the
// names of a listing, the kind, size and time of an entry, and an app's icon fetched through
// the springboard service.
#pragma once

#include "device/FileService.h"
#include "platform/CoreFoundation.h"

#include <cstdint>
#include <string>
#include <vector>

namespace amd {

// The text of a string value; empty for anything else.
std::string stringValue(CFTypeRef value);
// Appends the non-empty names of a listing.
void appendEntryNames(CFArrayRef list, std::vector<std::string>& names);

// Kind, size and time from a file's attributes ("st_ifmt", "st_size", "st_mtime").
FileEntry entryFromAttributes(CFDictionaryRef attributes);

// Why the installed-app list could not be read, with the device layer's status in words.
std::string appListFailure(int status);

enum class IconFetch { NoService, NoIcon, Icon };
// The app's icon as PNG bytes in png. Without the service, status (when given) holds the
// start's status.
IconFetch fetchIconPNGData(int deviceIndex, const std::string& bundleId, std::vector<uint8_t>& png,
                           int* status = nullptr);

}  // namespace amd
