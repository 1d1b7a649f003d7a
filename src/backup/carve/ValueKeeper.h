// The values of a row kept for its carver: the values of the columns its table's shape keeps,
// with the bytes of their texts and blobs, copied out of the payload read into the table's store
// (CarvedStore), where they stay put while the rows move.
#pragma once

#include "backup/carve/CarveRecords.h"
#include "backup/carve/CarvedStore.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace carve {

class ValueKeeper {
public:
    // Keeps the values checkValues() found sound in store: those of the columns the
    // shape keeps (none for a live row of a shape that keeps only the others), then those of the
    // columns it also keeps (NULL past the row's columns), then the bytes of their texts and
    // blobs. A value that reaches past trusted is lost; one that reaches past chainEnd (lost with
    // the row's overflow chain) too, but for a text the cut runs through, kept cut short.
    std::span<const CarvedValue> keep(CarvedStore& store, const TableShape& shape, const std::vector<uint64_t>& serials,
                                      const std::string& data, size_t body, size_t trusted = SIZE_MAX,
                                      bool alsoKeptOnly = false, size_t chainEnd = SIZE_MAX);

    // Where each value of the row kept last lies in its payload, per slot: its first byte (at
    // least kNotKept for a value left NULL or lost), the byte past its last, and its column.
    static constexpr size_t kNotKept = SIZE_MAX - 1;
    size_t lastSlots() const { return slots_.size(); }
    size_t lastStart(size_t slot) const { return slots_[slot].from; }
    size_t lastEnd(size_t slot) const { return slots_[slot].end; }
    size_t lastColumn(size_t slot) const { return slots_[slot].column; }

private:
    // Per slot of the row's values: where its value starts in the payload and where it ends, its
    // column, and how many of its bytes are kept where the chain's cut runs through it (SIZE_MAX
    // for a value kept whole).
    struct Slot {
        size_t from = SIZE_MAX, end = 0, column = 0, cutLength = SIZE_MAX;
    };
    std::vector<Slot> slots_;  // scratch kept across rows
};

}  // namespace carve
