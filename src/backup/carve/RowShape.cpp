#include "backup/carve/RowShape.h"

#include <algorithm>

namespace carve {

namespace {
// Bits of a TableShape's column sets reach the 64th column; a column past it is checked as any
// other, but takes no part in them (kept whole, stored where kept).
constexpr size_t kColumnBits = 64;
}  // namespace

std::optional<RowShape> RowShape::make(const KnownTable& known, const TableColumns& layout, std::string source) {
    if (layout.withoutRowid) return std::nullopt;
    RowShape r;
    r.known_ = &known;
    r.source_ = std::move(source);
    // A row's record holds the columns in order, but for the generated ones computed as they are
    // read: its places are those of the others.
    std::vector<const SchemaColumn*> recorded;
    int rowidAlias = -1;
    for (size_t i = 0; i < layout.columns.size(); ++i) {
        if (!layout.columns[i].inRecord()) continue;
        if (static_cast<int>(i) == layout.rowidAlias) rowidAlias = static_cast<int>(recorded.size());
        recorded.push_back(&layout.columns[i]);
    }
    const size_t n = recorded.size();
    if (n == 0) return std::nullopt;
    r.place_.assign(known.columns.size(), -1);
    std::vector<int> knownAt(n, -1);  // per column of a record: the known column it is
    for (size_t k = 0; k < known.columns.size(); ++k)
        for (size_t i = 0; i < n; ++i)
            if (knownAt[i] < 0 && sameName(recorded[i]->name, known.columns[k].name)) {
                r.place_[k] = static_cast<int>(i);
                knownAt[i] = static_cast<int>(k);
                break;
            }
    for (size_t k = 0; k < known.columns.size(); ++k)
        if ((known.columns[k].use & kNeeded) && r.place_[k] < 0) return std::nullopt;

    TableShape& s = r.shape_;
    s.live = known.live;
    s.rowidAlias = rowidAlias;
    s.columns.resize(n);
    auto useOf = [&](size_t i) -> uint16_t {
        return knownAt[i] >= 0 ? known.columns[static_cast<size_t>(knownAt[i])].use : 0;
    };
    size_t kept = 0, whole = 0;
    bool wholeSaid = false;
    for (size_t i = 0; i < n; ++i) {
        ColumnShape& column = s.columns[i];
        if (static_cast<int>(i) == s.rowidAlias) {
            // Stored as NULL: its value is the row id.
            column = {ColumnKind::integer, true};
            continue;
        }
        const uint16_t use = useOf(i);
        column.kind = knownAt[i] >= 0 ? known.columns[static_cast<size_t>(knownAt[i])].kind : ColumnKind::any;
        column.nullable = !(use & kNotNull) && !recorded[i]->notNull;
        if (use & kRead) kept = i + 1;
        if (use & kWholeInPart) {
            whole = i + 1;
            wholeSaid = true;
        }
        if ((use & kIdentity) && i < kColumnBits) s.identityColumns |= uint64_t{1} << i;
        if (use & kUnique) s.uniqueColumn = static_cast<int>(i);
        if (use & kSpareUnique) s.spareUniqueColumn = static_cast<int>(i);
        if ((use & (kEditKept | kEditTells)) && (use & kRead) && i < kColumnBits) s.editKeptColumns |= uint64_t{1} << i;
        if ((use & kEditTells) && (use & kRead) && i < kColumnBits) s.editTellColumns |= uint64_t{1} << i;
    }
    s.keptColumns = kept;
    s.wholeColumns = wholeSaid ? whole : SIZE_MAX;
    for (size_t i = 0; i < std::min(kept, kColumnBits); ++i)
        if (!(useOf(i) & (kRead | kReadIfThere))) s.unstoredColumns |= uint64_t{1} << i;
    for (size_t i = kept; i < n; ++i)
        if (useOf(i) & kReadIfThere) s.alsoKept.push_back(i);

    const size_t stored = s.keptSlot(kept);
    r.slot_.assign(known.columns.size(), -1);
    r.alsoKept_.assign(known.columns.size(), -1);
    for (size_t k = 0; k < known.columns.size(); ++k) {
        const int place = r.place_[k];
        if (place < 0 || place == s.rowidAlias) continue;
        const auto p = static_cast<size_t>(place);
        if (p < kept && !s.unstored(p)) r.slot_[k] = static_cast<int>(s.keptSlot(p));
    }
    for (size_t a = 0; a < s.alsoKept.size(); ++a) {
        const auto k = static_cast<size_t>(knownAt[s.alsoKept[a]]);
        r.alsoKept_[k] = static_cast<int>(a);
        r.slot_[k] = static_cast<int>(stored + a);
    }
    r.valueCount_ = stored + s.alsoKept.size();
    return r;
}

void RowShape::allowShorterRows(size_t fewest) {
    // Never fewer than the columns up to the row id's and the last the carver needs: those no
    // update added.
    size_t least = static_cast<size_t>(shape_.rowidAlias + 1);
    for (size_t k = 0; k < known_->columns.size(); ++k)
        if ((known_->columns[k].use & kNeeded) && place_[k] >= 0)
            least = std::max(least, static_cast<size_t>(place_[k]) + 1);
    fewest = std::max({fewest, least, size_t{1}});
    if (fewest < shape_.columns.size()) shape_.fewestColumns = fewest;
}

const CarvedValue& RowShape::value(const CarvedRecord& row, size_t k) const {
    static const CarvedValue kNone;
    const int s = slot_[k];
    return s >= 0 && row.values.size() == valueCount_ ? row.values[static_cast<size_t>(s)] : kNone;
}

const CarvedValue& RowShape::value(const LiveKeptRow& row, size_t k) const {
    static const CarvedValue kNone;
    const int a = alsoKept_[k];
    return a >= 0 && static_cast<size_t>(a) < row.values.size() ? row.values[static_cast<size_t>(a)] : kNone;
}

std::optional<size_t> RowShape::slot(size_t k) const {
    return slot_[k] >= 0 ? std::optional<size_t>(static_cast<size_t>(slot_[k])) : std::nullopt;
}

}  // namespace carve
