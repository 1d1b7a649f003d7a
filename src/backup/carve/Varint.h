// The variable-length integers of the database file format: one to nine bytes, big-endian, seven
// bits a byte while the byte's high bit is set, all eight bits of the ninth.
#pragma once

#include <cstdint>

namespace carve {

// The bytes that give seven bits each (kVarintBits); a ninth, the last a varint can have, gives
// all eight.
constexpr int kVarintBits = 7;
constexpr int kSevenBitBytes = 8;
constexpr int kLongestVarint = kSevenBitBytes + 1;
// The largest values of one and of two bytes.
constexpr uint64_t kLargestOneByteVarint = 0x7f;
constexpr uint64_t kLargestTwoByteVarint = 0x3fff;

// The integer starting at p inside [p, end); its length in bytes, 0 when it runs past end.
inline int varint(const uint8_t* p, const uint8_t* end, uint64_t& value) {
    value = 0;
    for (int i = 0; i < kLongestVarint; ++i) {
        if (p + i >= end) return 0;
        if (i == kSevenBitBytes) {
            value = (value << 8) | p[i];
            return kLongestVarint;
        }
        value = (value << 7) | (p[i] & 0x7f);
        if (!(p[i] & 0x80)) return i + 1;
    }
    return 0;
}

// The bytes SQLite writes value in: as few as hold it.
inline int varintLength(uint64_t value) {
    int n = 1;
    for (; n < kLongestVarint && value > kLargestOneByteVarint; ++n) value >>= 7;
    return n;
}

}  // namespace carve
