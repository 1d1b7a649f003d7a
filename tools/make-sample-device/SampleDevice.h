// Writes a realistic simulated device folder (see docs/simulated-device.md): a phone with user
// and system apps whose containers hold caches, cookies, temporary files, documents and
// advertising caches, a camera roll, a photo stream, synced photos, downloads, leftovers of a
// failed sync, crash logs, and lockdown values and asset metrics that agree with the content.
// The same call always writes the same bytes.
#pragma once

#include <cstdint>
#include <string>

namespace sampledevice {

struct Summary {
    int apps = 0;
    int userApps = 0;
    uint64_t contentBytes = 0;  // bytes of the files written
};

// Writes the device into folder, which must not exist or be empty. False with error set when
// it cannot.
bool write(const std::string& folder, Summary* summary = nullptr, std::string* error = nullptr);

}  // namespace sampledevice
