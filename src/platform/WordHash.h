// A quick 64-bit digest of bytes taken eight at a time: for telling values apart inside one run
// (a carved row from a live one, a sort key from its earlier self), where a general hash would
// cost as much as the work it serves. Not stable across versions; never stored.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>

struct WordHash {
    uint64_t h = 1469598103934665603ULL;

    void word(uint64_t w) {
        h = (h ^ w) * 0x9E3779B97F4A7C15ULL;
        h ^= h >> 29;
    }
    // The bytes in words of eight, the last one padded with zeros.
    void mix(const void* data, size_t n) {
        const auto* bytes = static_cast<const unsigned char*>(data);
        for (; n >= 8; bytes += 8, n -= 8) {
            uint64_t w;
            std::memcpy(&w, bytes, 8);
            word(w);
        }
        uint64_t w = 0;
        std::memcpy(&w, bytes, n);
        word(w);
    }
};
