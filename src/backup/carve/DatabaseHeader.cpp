#include "backup/carve/DatabaseHeader.h"

#include <algorithm>

namespace carve {

bool validPageSize(int64_t size) { return size >= 512 && size <= 65536 && (size & (size - 1)) == 0; }

PageLayout readPageLayout(CarveFile& file) {
    PageLayout layout;
    file.focus(0, 100, true);
    uint8_t header[3];
    file.copy(16, 3, header);
    int64_t size = (static_cast<int64_t>(header[0]) << 8) | header[1];
    if (size == 1) size = 65536;
    layout.writeAheadLog = header[2] == 0x02;
    if (!validPageSize(size)) return layout;
    layout.pageSize = size;
    layout.pageCount = file.size() / size;
    return layout;
}

}  // namespace carve
