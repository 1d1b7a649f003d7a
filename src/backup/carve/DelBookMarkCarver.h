// Rebuilds deleted bookmarks from the raw pages of a backup's bookmark database; each is posted
// at once as "scanDelBookMarkInfo" (the root and reading-list folders excepted), then
// "ScanProgressInfo" with 95.
#pragma once

#include "backup/carve/CarveContext.h"

#include <cstdint>
#include <string>

namespace carve {

class CarveDatabase;

class DelBookMarkCarver {
public:
    explicit DelBookMarkCarver(CarveContext& context) : context_(context) {}

    void ScanDelBookMarkThread(const std::string& backupFolder);

private:
    void carvePage(CarveDatabase& db, int64_t P);
    void carveRecord(CarveDatabase& db, int64_t j, int M);

    CarveContext& context_;
    int64_t pageSize_ = 0;
};

}  // namespace carve
