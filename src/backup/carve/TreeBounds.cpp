// The row ids each leaf of a table's tree may hold (see TreeBounds.h).
#include "backup/carve/TreeBounds.h"

#include <algorithm>
#include <cstddef>

namespace carve {

std::vector<LeafBounds> treeBounds(int64_t imageCount, const std::vector<const TreePages*>& parts) {
    std::vector<LeafBounds> bounds(static_cast<size_t>(std::max<int64_t>(imageCount, 0)));
    std::vector<const Interior*> byPage(bounds.size(), nullptr);
    std::vector<bool> named(bounds.size(), false);
    std::vector<int64_t> lowestLive(bounds.size(), INT64_MAX);
    auto valid = [&](int64_t page) { return page >= 0 && page < static_cast<int64_t>(bounds.size()); };
    for (const TreePages* part : parts) {
        for (const Interior& interior : part->interiors) {
            byPage[static_cast<size_t>(interior.page)] = &interior;
            for (const auto& [child, key] : interior.children)
                if (valid(child)) named[static_cast<size_t>(child)] = true;
            if (valid(interior.rightMost)) named[static_cast<size_t>(interior.rightMost)] = true;
        }
        for (const auto& [page, rowid] : part->lowestLive) lowestLive[static_cast<size_t>(page)] = rowid;
    }
    // Each tree from its root, its leaves in the order of their keys; a page met twice (named
    // by a stale interior page) keeps what it got first.
    std::vector<bool> seen(bounds.size(), false);
    for (size_t root = 0; root < byPage.size(); ++root) {
        if (!byPage[root] || named[root]) continue;
        std::vector<int64_t> leaves;
        std::vector<std::pair<int64_t, int64_t>> pending = {{static_cast<int64_t>(root), 0}};  // (page, low)
        while (!pending.empty()) {
            const auto [page, low] = pending.back();
            pending.pop_back();
            if (seen[static_cast<size_t>(page)]) continue;
            seen[static_cast<size_t>(page)] = true;
            const Interior* interior = byPage[static_cast<size_t>(page)];
            if (!interior) {
                bounds[static_cast<size_t>(page)] = {low, INT64_MAX, true};
                leaves.push_back(page);
                continue;
            }
            // Children go on the stack last first, so that they come off in key order.
            std::vector<std::pair<int64_t, int64_t>> children;
            int64_t before = low;
            for (const auto& [child, key] : interior->children) {
                if (valid(child) && key > before) children.emplace_back(child, before);
                before = std::max(before, key);
            }
            if (valid(interior->rightMost)) children.emplace_back(interior->rightMost, before);
            pending.insert(pending.end(), children.rbegin(), children.rend());
        }
        int64_t next = INT64_MAX;  // the lowest live row id of the leaves after this one
        for (auto leaf = leaves.rbegin(); leaf != leaves.rend(); ++leaf) {
            LeafBounds& b = bounds[static_cast<size_t>(*leaf)];
            if (next != INT64_MAX) b.high = next - 1;
            next = std::min(next, lowestLive[static_cast<size_t>(*leaf)]);
        }
    }
    return bounds;
}

}  // namespace carve
