// Rebuilds deleted calendar items from the raw pages of a backup's calendar database, in its
// rollback-journal and write-ahead layouts; each is posted at once as "scanDelCalenderInfo",
// then "ScanProgressInfo" with 100.
#pragma once

#include "backup/carve/CarveContext.h"

#include <cstdint>
#include <string>

namespace carve {

class CarveDatabase;

class DelCalenderCarver {
public:
    explicit DelCalenderCarver(CarveContext& context) : context_(context) {}

    void ScanDelCalenderThread(const std::string& backupFolder);

private:
    void carveRollbackPage(CarveDatabase& db, int64_t P);
    void carveWriteAheadPage(CarveDatabase& db, int64_t P);

    CarveContext& context_;
    int64_t pageSize_ = 0;
};

}  // namespace carve
