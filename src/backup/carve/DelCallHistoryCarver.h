// Rebuilds deleted calls from the raw pages of a backup's call-history database (rows of the call
// table in freeblocks, in the pages' free space and on freed pages); each is posted as
// "ScanDelCallHistoryInfo", then "ScanProgressInfo" with 90.
#pragma once

#include "backup/carve/CarveContext.h"

#include <cstdint>
#include <string>

namespace carve {

struct CarvedRecord;

class DelCallHistoryCarver {
public:
    explicit DelCallHistoryCarver(CarveContext& context) : context_(context) {}

    void scanDelCallHistoryThread(const std::string& backupFolder);

private:
    void post(const CarvedRecord& row);

    CarveContext& context_;
    int64_t pageSize_ = 0;
};

}  // namespace carve
