// Deleted rows of two tables that name each other (a note and its body, an event and its place)
// paired where the row ids leave each row one partner.
#pragma once

#include "backup/carve/CarveRecords.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace carve {

// Pairs rows that name each other: left row a names its partner's row id (leftNamed[a]), and
// right row b names a's (rightNamed[b]), and fits(a, b) holds for the two (texts of the rows
// that agree). A pair is made only where it is the one left that the row ids allow (a lost row id is
// bounded by the whole rows around it), from either side; rows that share their bounds stay
// apart, never paired by their order. Answers, per left row, the index of its partner in right,
// or -1. leftTables, when given, holds each left row's table, which gives the ids the tree allows
// the pages of those freed from pages that keep no order.
std::vector<int> pairRows(const std::vector<const CarvedRecord*>& left, std::span<const int64_t> leftNamed,
                          const std::vector<const CarvedRecord*>& right, std::span<const int64_t> rightNamed,
                          const std::function<bool(size_t left, size_t right)>& fits,
                          std::span<const CarvedTable* const> leftTables = {});

}  // namespace carve
