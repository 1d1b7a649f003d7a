// The variable-length integers of the database file format: one to nine bytes, big-endian, seven
// bits a byte while the byte's high bit is set, all eight bits of the ninth.
#pragma once

#include <cstdint>

namespace carve {

// The integer starting at p inside [p, end); its length in bytes, 0 when it runs past end.
inline int varint(const uint8_t* p, const uint8_t* end, uint64_t& value) {
    value = 0;
    for (int i = 0; i < 9; ++i) {
        if (p + i >= end) return 0;
        if (i == 8) {
            value = (value << 8) | p[i];
            return 9;
        }
        value = (value << 7) | (p[i] & 0x7f);
        if (!(p[i] & 0x80)) return i + 1;
    }
    return 0;
}

}  // namespace carve
