// The row ids each leaf of a table's tree may hold, from the interior pages the walk read: a row
// freed at the edge of its page, or from a page that keeps no order, lies within them.
#pragma once

#include <cstdint>
#include <utility>
#include <vector>

namespace carve {

// A table's interior page in the tree: its children by index, each with the largest row id
// it may hold (the right-most child with none of its own).
struct Interior {
    int64_t page = 0;
    std::vector<std::pair<int64_t, int64_t>> children;  // (child index, key)
    int64_t rightMost = -1;
};

// What a part of the page walk saw of the tables' trees: the interior pages it read, and the
// lowest live row id of each leaf it read that holds live rows, (page, row id).
struct TreePages {
    std::vector<Interior> interiors;
    std::vector<std::pair<int64_t, int64_t>> lowestLive;
};

// The row ids each leaf of a table's tree may hold, (low, high]: above the key its parent
// keeps before it, and below the lowest live row of the leaf after it in the tree. (The key
// a parent keeps for the leaf itself is the largest row id the leaf held when the tree was
// last balanced, and rows deleted from its end before then lie above it.) Pages no live
// interior page names (freed ones, a table that is a single leaf) have none.
struct LeafBounds {
    int64_t low = 0, high = INT64_MAX;
    bool known = false;
};

// The bounds of each page image of a file of imageCount images, from what every part of the walk
// saw of the trees.
std::vector<LeafBounds> treeBounds(int64_t imageCount, const std::vector<const TreePages*>& parts);

}  // namespace carve
