// The order in which a table's rows were made, read from a column that holds when each was made
// (a contact's creation time): in a table whose ids rise with each row written, a row whose id
// was lost lies between the ids of the known rows made just before and just after it.
#pragma once

#include "platform/MappedMemory.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <utility>
#include <vector>

namespace carve {

class CreationOrder {
public:
    // made: (when made, id) of every row whose id is sure (the live ones). The order holds only
    // when the ids never fall as the times rise: a file whose rows came in with times of their
    // own (a sync that kept another device's) gives no ids at all, rather than wrong ones.
    explicit CreationOrder(mapped::Vector<std::pair<int64_t, int64_t>> made);

    bool holds() const { return holds_; }
    // The known rows, (when made, id), by time; none where the order does not hold.
    std::span<const std::pair<int64_t, int64_t>> known() const { return made_; }

    // The ids (low, high), both left out, that a row made at `made` lies between; none where the
    // order does not hold or no known row was made before or after it.
    std::optional<std::pair<int64_t, int64_t>> idsAround(int64_t made) const;
    // The same for many rows at once, by index of made (none for a row whose time is unknown):
    // one walk through the order rather than a search for each.
    mapped::Vector<std::optional<std::pair<int64_t, int64_t>>> idsAround(
        std::span<const std::optional<int64_t>> made) const;

    // The ids of rows that lost theirs, by index of made (the time each was made, if known).
    // Rows made between the same two known rows take the ids between those that no known row
    // and none of taken (sorted) holds, in the order they were made, where they are exactly as
    // many as those ids: then each of those ids is one of theirs. A row made in the same second
    // as another of them could be either, and gets none; so does every row of a group where
    // admits(row, id) refuses what its place gives it.
    mapped::Vector<std::optional<int64_t>> idsByMaking(std::span<const std::optional<int64_t>> made,
                                                       std::span<const int64_t> taken,
                                                       const std::function<bool(size_t, int64_t)>& admits) const;
    // The same, given what idsAround answers for those rows, or for more: around may hold ids for
    // rows whose made is none, which it leaves aside.
    mapped::Vector<std::optional<int64_t>> idsByMaking(
        std::span<const std::optional<int64_t>> made,
        std::span<const std::optional<std::pair<int64_t, int64_t>>> around, std::span<const int64_t> taken,
        const std::function<bool(size_t, int64_t)>& admits) const;

private:
    // How many of the known rows have ids between low and high, both left out.
    int64_t knownBetween(int64_t low, int64_t high) const;

    mapped::Vector<std::pair<int64_t, int64_t>> made_;  // by time, then id; the ids rise too
    bool holds_ = false;
};

}  // namespace carve
