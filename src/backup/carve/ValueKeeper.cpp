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
    slots_.assign(count, Slot{});
    size_t bytesNeeded = 0;
    size_t at = body;
    const size_t readable = std::min({trusted, chainEnd, data.size()});
    for (size_t c = 0, next = 0, extra = 0; c < serials.size() && (c < columns || extra < shape.alsoKept.size()); ++c) {
        const auto length = static_cast<size_t>(valueLength(serials[c]));
        size_t slot = SIZE_MAX;
        if (c < columns) {
            if (!shape.unstored(c)) slot = next++;
        } else if (extra < shape.alsoKept.size() && shape.alsoKept[extra] == c) {
            slot = stored + extra++;
        }
        if (slot != SIZE_MAX) {
            Slot& k = slots_[slot];
            k.column = c;
            k.end = at + length;
            if (at + length <= readable) {
                k.from = at;
                if (serials[c] >= kFirstBlobSerial) bytesNeeded += length;
            } else if (at + length <= trusted && chainEnd <= data.size() && shape.readsInPart() &&
                       cutText(serials[c], at, chainEnd)) {
                k.from = at;
                k.cutLength = wholeCharacters(data.data() + at, chainEnd - at);
                bytesNeeded += k.cutLength;
            } else {
                k.from = kLost;
            }
        }
        at += length;
    }
    char* kept = store.allocate(count * sizeof(CarvedValue) + bytesNeeded);
    auto* out = reinterpret_cast<CarvedValue*>(kept);
    char* bytes = kept + count * sizeof(CarvedValue);
    for (size_t slot = 0; slot < count; ++slot) {
        const Slot& k = slots_[slot];
        if (k.from >= kLost) {
            new (out + slot) CarvedValue();
            if (k.from == kLost) out[slot].type = CarvedValue::lost;
            continue;
        }
        const uint64_t serial = serials[k.column];
        CarvedValue& v = *new (out + slot) CarvedValue(
            valueOf(serial, reinterpret_cast<const uint8_t*>(data.data() + k.from), valueLength(serial)));
        if (k.cutLength != SIZE_MAX) {
            v.length = static_cast<uint32_t>(k.cutLength);
            v.cut = true;
        }
        if (v.type == CarvedValue::text || v.type == CarvedValue::blob) {
            std::memcpy(bytes, data.data() + k.from, v.length);
            v.bytes = bytes;
            bytes += v.length;
        }
    }
    return {out, count};
}

}  // namespace carve
