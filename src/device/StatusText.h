// What a status code of the device layer means, in words a user can read: the device
// framework's codes (0xE800....), the file service's codes (small numbers) and the service
// objects' own 1 (no device with that index, or no service) and -1 (not started).
#pragma once

#include <string>

namespace amd {

// A text for every known status, and "Unknown device status 0x...." for the others.
std::string statusText(int status);

}  // namespace amd
