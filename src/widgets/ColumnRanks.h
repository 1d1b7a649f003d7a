// The order of one table column over all its records, worked out once: each record's rank,
// records whose keys compare equal sharing one. Keys order as the record tables have always
// ordered them (compareKeys): texts ignoring case, numbers as numbers, any other value as
// QVariant orders it. Made for a million records: each key is asked for once, texts are folded
// once, and texts of one shape of digits and marks (the dates "2013-03-10 06:55" of a column)
// are read as numbers.
#pragma once

#include <QVariant>
#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

namespace columnranks {

using Rank = uint32_t;
// Asked between steps: true when the work is no longer wanted.
using Cancelled = std::function<bool()>;

// Texts ignoring case; numbers as numbers; other values as QVariant compares them.
int compareKeys(const QVariant& a, const QVariant& b);

// The rank of each of count records, key giving a record's key; nothing when cancelled.
std::optional<std::vector<Rank>> rank(size_t count, const std::function<QVariant(size_t record)>& key,
                                      const Cancelled& cancelled);

}  // namespace columnranks
