// The cells of a page's folded image, for its older images (see CurrentCells.h).
#include "backup/carve/CurrentCells.h"

#include "backup/carve/DatabaseHeader.h"
#include "backup/carve/PageFormat.h"
#include "backup/carve/Varint.h"

#include <algorithm>
#include <cstring>

namespace carve {

namespace {

// The length of the cell at at, with its row id, whose payload lies whole on the page; 0 where
// the bytes there are no such cell.
int64_t wholeLocalCell(const uint8_t* page, int64_t at, int64_t usable, uint64_t& rowid) {
    const uint8_t* stop = page + usable;
    uint64_t payload = 0;
    const int a = varint(page + at, stop, payload);
    if (a == 0 || payload > static_cast<uint64_t>(maxLocalPayload(usable))) return 0;
    const int b = varint(page + at + a, stop, rowid);
    if (b == 0) return 0;
    const int64_t length = a + b + static_cast<int64_t>(payload);
    return at + length <= usable ? length : 0;
}

}  // namespace

void CurrentCells::read(CarveFile& file, int64_t image, int64_t pageSize, int64_t usable) {
    cells_.clear();
    usable_ = usable;
    if (image < 0) return;
    bytes_.resize(static_cast<size_t>(pageSize));
    file.copy(image * pageSize, bytes_.size(), bytes_.data());
    if (bytes_[0] != kTableLeafPage) return;
    const int64_t cells = static_cast<int64_t>(readBigEndian(bytes_.data(), kCellCountAt, kOffsetSize));
    const int64_t pointersEnd = kLeafHeaderSize + kCellPointerSize * cells;
    // The walk reads no cell of such a page as live: no cell of it is either.
    if (pointersEnd > usable) return;
    for (int64_t k = 0; k < cells; ++k) {
        const auto at =
            static_cast<int64_t>(readBigEndian(bytes_.data(), kLeafHeaderSize + kCellPointerSize * k, kOffsetSize));
        uint64_t rowid = 0;
        if (at < pointersEnd || at >= usable || wholeLocalCell(bytes_.data(), at, usable, rowid) == 0) continue;
        cells_.emplace_back(rowid, at);
    }
    std::sort(cells_.begin(), cells_.end());
}

bool CurrentCells::holds(const uint8_t* page, int64_t at, int64_t usable) const {
    if (cells_.empty() || usable != usable_) return false;
    uint64_t rowid = 0;
    const int64_t length = wholeLocalCell(page, at, usable, rowid);
    if (length == 0) return false;
    auto it = std::lower_bound(cells_.begin(), cells_.end(), std::make_pair(rowid, int64_t{0}));
    for (; it != cells_.end() && it->first == rowid; ++it)
        if (it->second + length <= usable_ && std::memcmp(bytes_.data() + it->second, page + at, length) == 0)
            return true;
    return false;
}

}  // namespace carve
