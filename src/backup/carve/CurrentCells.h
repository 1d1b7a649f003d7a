// The cells of the folded database's image of a page, asked while an older image of that page is
// read. A page that a write-ahead log wrote again holds, in its older images, most of the rows it
// still holds: every one of them is a live row's copy, which the carve would keep to the end of
// the page walk only to learn that. A cell of an older image whose bytes are those of a cell of
// the page's folded image, row id and whole payload on the page, is known for such a copy at once.
#pragma once

#include "backup/carve/CarveFile.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace carve {

class CurrentCells {
public:
    // Reads image (the folded database's image of the page about to be read in an older image)
    // through file, whose page images are pageSize bytes, usable of them holding cells: its
    // cells where it is a leaf of a table; none otherwise. image < 0 forgets the last.
    void read(CarveFile& file, int64_t image, int64_t pageSize, int64_t usable);

    // Whether the cell at at of page (an older image's bytes, usable bytes long) is byte for byte
    // a cell of the image read last, with its whole payload on the page (no overflow chain,
    // whose pages may differ from one state of the database to another).
    bool holds(const uint8_t* page, int64_t at, int64_t usable) const;

private:
    std::vector<uint8_t> bytes_;                       // the image read
    std::vector<std::pair<uint64_t, int64_t>> cells_;  // its cells' row ids and places, by row id
    int64_t usable_ = 0;
};

}  // namespace carve
