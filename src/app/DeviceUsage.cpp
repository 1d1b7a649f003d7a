#include "app/DeviceUsage.h"

#include <limits>

namespace {
uint64_t physicalSize(CFDictionaryRef metrics, const char* group, const char* item) {
    CFTypeRef node = CFDictionaryGetValue(metrics, group);
    if (item) {
        if (!node || CFGetTypeID(node) != CFDictionaryGetTypeID()) return 0;
        node = CFDictionaryGetValue(static_cast<CFDictionaryRef>(node), item);
    }
    if (!node || CFGetTypeID(node) != CFDictionaryGetTypeID()) return 0;
    CFTypeRef size = CFDictionaryGetValue(static_cast<CFDictionaryRef>(node), "_PhysicalSize");
    if (!size || CFGetTypeID(size) != CFNumberGetTypeID()) return 0;
    int64_t value = 0;
    CFNumberGetValue(static_cast<CFNumberRef>(size), kCFNumberSInt64Type, &value);
    return value > 0 ? static_cast<uint64_t>(value) : 0;
}
}  // namespace

uint64_t subtractOrZero(uint64_t a, uint64_t b) { return a > b ? a - b : 0; }

uint64_t addSaturating(uint64_t a, uint64_t b) {
    return a > std::numeric_limits<uint64_t>::max() - b ? std::numeric_limits<uint64_t>::max() : a + b;
}

float capacityShare(uint64_t part, uint64_t total) {
    if (total == 0) return 0.0f;
    return static_cast<float>(part) / static_cast<float>(total);
}

DeviceUsage DeviceUsage::fromAssetMetrics(CFDictionaryRef metrics, uint64_t total, uint64_t free) {
    DeviceUsage usage;
    if (!metrics || CFGetTypeID(metrics) != CFDictionaryGetTypeID()) return usage;
    usage.apps = physicalSize(metrics, "Application", nullptr);
    usage.music = physicalSize(metrics, "Media", "Music");
    usage.movies = physicalSize(metrics, "Media", "Movie");
    usage.photos = addSaturating(physicalSize(metrics, "Photo", "Photo"), physicalSize(metrics, "Photo", "CameraRoll"));
    // A device may report more in its categories than its used space: others is then 0.
    uint64_t rest = subtractOrZero(total, free);
    for (uint64_t part : {usage.apps, usage.music, usage.movies, usage.photos}) rest = subtractOrZero(rest, part);
    usage.others = rest;
    return usage;
}
