// Rebuilds deleted bookmarks from the raw pages of a backup's bookmark database (rows of the
// bookmarks table in freeblocks, free space and freed pages); each is posted as
// "scanDelBookMarkInfo" (the root and reading-list folders excepted), then "ScanProgressInfo"
// with 95.
#pragma once

#include "backup/carve/CarveContext.h"

#include <string>

namespace carve {

class DelBookMarkCarver {
public:
    explicit DelBookMarkCarver(CarveContext& context) : context_(context) {}

    void ScanDelBookMarkThread(const std::string& backupFolder);

private:
    CarveContext& context_;
};

}  // namespace carve
