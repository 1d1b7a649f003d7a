// A row's values copied into its table's store (see ValueKeeper.h).
#include "backup/carve/ValueKeeper.h"

#include "backup/carve/RecordValues.h"
#include "backup/carve/SerialTypes.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace carve {

std::span<const CarvedValue> ValueKeeper::keep(CarvedStore& store, const TableShape& shape,
                                               const std::vector<uint64_t>& serials, const std::string& data,
                                               size_t body, size_t trusted, bool alsoKeptOnly, size_t chainEnd) {
    // Every kept column has its slot, NULL past the columns a shorter row has.
    const size_t columns = alsoKeptOnly ? 0 : std::min(shape.columns.size(), shape.keptColumns);
    const size_t stored = alsoKeptOnly ? 0 : shape.keptSlot(columns);
    const size_t count = stored + shape.alsoKept.size();
    // Per slot: the column whose value it keeps, and where that value starts in data (SIZE_MAX
    // for one left NULL, kLost for one lost).
    constexpr size_t kLost = kNotKept;
    std::vector<size_t>& from = from_;
    std::vector<size_t>& columnOf = columnOf_;
    std::vector<size_t>& cutLength = cutLength_;
    from.assign(count, SIZE_MAX);
    end_.assign(count, 0);
    columnOf.assign(count, 0);
    cutLength.assign(count, SIZE_MAX);
    size_t bytesNeeded = 0;
    size_t at = body;
    for (size_t c = 0, next = 0, extra = 0; c < serials.size() && (c < columns || extra < shape.alsoKept.size()); ++c) {
        const auto length = static_cast<size_t>(valueLength(serials[c]));
        size_t slot = SIZE_MAX;
        if (c < columns) {
            if (!shape.unstored(c)) slot = next++;
        } else if (extra < shape.alsoKept.size() && shape.alsoKept[extra] == c) {
            slot = stored + extra++;
        }
        if (slot != SIZE_MAX) {
            columnOf[slot] = c;
            end_[slot] = at + length;
            if (at + length <= std::min({trusted, chainEnd, data.size()})) {
                from[slot] = at;
                if (serials[c] >= kFirstBlobSerial) bytesNeeded += length;
            } else if (at + length <= trusted && chainEnd <= data.size() && shape.readsInPart() &&
                       cutText(serials[c], at, chainEnd)) {
                from[slot] = at;
                cutLength[slot] = wholeCharacters(data.data() + at, chainEnd - at);
                bytesNeeded += cutLength[slot];
            } else {
                from[slot] = kLost;
            }
        }
        at += length;
    }
    char* kept = store.allocate(count * sizeof(CarvedValue) + bytesNeeded);
    auto* out = reinterpret_cast<CarvedValue*>(kept);
    char* bytes = kept + count * sizeof(CarvedValue);
    for (size_t slot = 0; slot < count; ++slot) {
        const size_t c = columnOf[slot];
        if (from[slot] >= kLost) {
            new (out + slot) CarvedValue();
            if (from[slot] == kLost) out[slot].type = CarvedValue::lost;
            continue;
        }
        const int64_t length = valueLength(serials[c]);
        CarvedValue& v = *new (out + slot) CarvedValue(
            valueOf(serials[c], reinterpret_cast<const uint8_t*>(data.data() + from[slot]), length));
        if (cutLength[slot] != SIZE_MAX) {
            v.length = static_cast<uint32_t>(cutLength[slot]);
            v.cut = true;
        }
        if (v.type == CarvedValue::text || v.type == CarvedValue::blob) {
            std::memcpy(bytes, data.data() + from[slot], v.length);
            v.bytes = bytes;
            bytes += v.length;
        }
    }
    return {out, count};
}

}  // namespace carve
