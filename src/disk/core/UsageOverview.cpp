#include "disk/core/UsageOverview.h"

#include "model/PRRecordFields.h"

namespace disk {

UsageArea UsageArea::of(uint64_t capacity, uint64_t available) {
    UsageArea area;
    if (capacity == 0 || available > capacity) return area;
    area.known = true;
    area.used = capacity - available;
    area.available = available;
    area.ratio = float(area.used) / float(capacity);
    return area;
}

std::string UsageArea::usedText(const std::string& caption) const {
    return known ? caption + "   " + sizeText(used) : caption;
}

std::string UsageArea::freeText(const std::string& caption) const {
    return known ? caption + "   " + sizeText(available) : caption;
}

}  // namespace disk
