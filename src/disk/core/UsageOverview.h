// The usage overview's figures for one area of the device (system or user data): bytes used
// and free, and the share used for its bar. A capacity of 0, or an available figure above the
// capacity, says the device did not give the area's figures: the overview then stays empty.
#pragma once

#include <cstdint>
#include <string>

namespace disk {

struct UsageArea {
    bool known = false;
    uint64_t used = 0;
    uint64_t available = 0;
    float ratio = 0;  // used over capacity, 0 to 1

    static UsageArea of(uint64_t capacity, uint64_t available);
    // "<caption>   <size text>" (three blanks), or the caption alone when the area is unknown.
    std::string usedText(const std::string& caption) const;
    std::string freeText(const std::string& caption) const;
};

}  // namespace disk
