// The numbers of the database file format that the carve reads: big-endian integers, and the
// page layout its header names.
#pragma once

#include "backup/carve/CarveFile.h"

#include <cstdint>

namespace carve {

// Big-endian unsigned value of count bytes (1 to 8) from buffer[index]; 0 for count < 1. Read at
// every byte of a page's free room, so defined here, where the cell readers' loops see it.
inline uint64_t readBigEndian(const uint8_t* buffer, int64_t index, int count) {
    if (!buffer || count < 1) return 0;
    count = count < 8 ? count : 8;
    uint64_t v = 0;
    for (int i = 0; i < count; ++i) v = (v << 8) | buffer[index + i];
    return v;
}

// The header of a database file as the carve reads it.
struct PageLayout {
    int64_t pageSize = 0;   // 0 when the header names no usable page size
    int64_t pageCount = 0;  // whole pages in the file
    // The header's write version names the write-ahead log (the database ran with a "-wal").
    bool writeAheadLog = false;
};

// Whether size is a page size the format allows: a power of two from 512 to 65536.
bool validPageSize(int64_t size);

// Reads the page size (two bytes at 16; 1 means 65536) and the write version (the byte at 18).
// A page size the format does not allow gives no pages at all.
PageLayout readPageLayout(CarveFile& file);

}  // namespace carve
