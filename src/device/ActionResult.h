// What one user action on device files did: how many files went and their bytes, and for the
// ones that did not, the first failing path and the reason, so that one alert can name them.
#pragma once

#include <cstdint>
#include <string>

namespace amd {

struct ActionResult {
    uint64_t files = 0;         // files removed, copied or added
    uint64_t bytes = 0;         // their bytes
    uint64_t failures = 0;      // files the device or the disk refused
    uint64_t alreadyThere = 0;  // files not copied again: a file of that name held the same bytes
    std::string firstFailurePath;
    std::string firstFailureReason;
    std::string folder;  // the new folder an export made at its top, where that is one folder

    bool ok() const { return failures == 0; }
    void succeeded(uint64_t size) {
        ++files;
        bytes += size;
    }
    void failed(const std::string& path, const std::string& reason) {
        if (failures++ == 0) {
            firstFailurePath = path;
            firstFailureReason = reason;
        }
    }
    void add(const ActionResult& other) {
        files += other.files;
        bytes += other.bytes;
        alreadyThere += other.alreadyThere;
        if (folder.empty()) folder = other.folder;
        if (other.failures && !failures) {
            firstFailurePath = other.firstFailurePath;
            firstFailureReason = other.firstFailureReason;
        }
        failures += other.failures;
    }
};

}  // namespace amd
