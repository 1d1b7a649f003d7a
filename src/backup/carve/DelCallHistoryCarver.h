// Rebuilds deleted calls from the raw pages of a backup's call-history database; each is posted
// at once as "ScanDelCallHistoryInfo", then "ScanProgressInfo" with 90.
#pragma once

#include "backup/carve/CarveContext.h"

#include <cstdint>
#include <string>

namespace carve {

class CarveDatabase;

class DelCallHistoryCarver {
public:
    explicit DelCallHistoryCarver(CarveContext& context) : context_(context) {}

    void scanDelCallHistoryThread(const std::string& backupFolder);

private:
    void carvePage(CarveDatabase& db, int64_t P);

    CarveContext& context_;
    int64_t pageSize_ = 0;
};

}  // namespace carve
