// Writes a realistic simulated device folder (see docs/simulated-device.md): a phone with user
// and system apps whose containers hold caches, cookies, temporary files, documents and
// advertising caches, the personal databases of its home area, a camera roll, a photo stream,
// synced photos, downloads, leftovers of a failed sync, crash logs, and lockdown values and
// asset metrics that agree with the content.
// The same call always writes the same bytes.
#pragma once

#include "SampleDatabases.h"

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

// The records of the device's address book, messages, calls, notes, bookmarks, history and
// calendar, as write() puts them into its home and telephony areas.
sampledb::SampleData homeData();
// Writes those databases (the newest rows of each left in its journal) and the message
// attachments into folder/home and folder/wireless.
bool writeHomeArea(const std::string& folder, std::string* error = nullptr);

}  // namespace sampledevice
