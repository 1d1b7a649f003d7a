// What tells rows that share a row id apart: the keys of the values each holds.
#pragma once

#include "backup/carve/FoundRow.h"
#include "platform/WordHash.h"

#include <cstdint>
#include <cstring>

namespace carve {

// Mixes value v of column into h: the column with the value's type, then its number or its bytes.
inline void mixValue(WordHash& h, size_t column, const CarvedValue& v) {
    h.word(column << 8 | v.type);
    if (v.type == CarvedValue::integerValue || v.type == CarvedValue::realValue) {
        uint64_t bits;
        std::memcpy(&bits, &v.integer, sizeof bits);
        h.word(bits);
    } else if (v.type == CarvedValue::text || v.type == CarvedValue::blob) {
        h.mix(v.bytes, v.length);
    }
}

// Keys of the values a row holds (NULLs and lost ones aside), each with its row id and column:
// two rows of one row id that share a key share a value there.
template <class Visit>
void valueKeys(const FoundRow& f, Visit&& visit) {
    for (size_t c = 0; c < f.record.values.size(); ++c) {
        const CarvedValue& v = f.record.values[c];
        if (v.isNull()) continue;
        WordHash h;
        h.word(static_cast<uint64_t>(f.record.rowid));
        mixValue(h, c, v);
        visit(h.h);
    }
}

}  // namespace carve
