// The space a device's content takes, per category, from the device's asset metrics, and the
// shares of the capacity bar. Plain arithmetic, safe for any figures the device sends.
#pragma once

#include "platform/CoreFoundation.h"

#include <cstdint>

struct DeviceUsage {
    uint64_t apps = 0;
    uint64_t music = 0;
    uint64_t movies = 0;
    uint64_t photos = 0;  // "Photo" and "CameraRoll" together
    uint64_t others = 0;  // what capacity minus free leaves after the four above; never below 0

    // Reads the metrics ("Application", "Media" -> "Music"/"Movie", "Photo" -> "Photo"/"CameraRoll",
    // each "_PhysicalSize"); a missing or unreadable figure counts as 0.
    static DeviceUsage fromAssetMetrics(CFDictionaryRef metrics, uint64_t total, uint64_t free);
};

// part / total in single precision; 0 for a capacity of 0.
float capacityShare(uint64_t part, uint64_t total);
// a - b, or 0 when b is larger.
uint64_t subtractOrZero(uint64_t a, uint64_t b);
// a + b, or the largest count when the sum does not fit.
uint64_t addSaturating(uint64_t a, uint64_t b);
