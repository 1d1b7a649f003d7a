// Rebuilds deleted calls from the raw pages of a backup's call-history database (rows of the call
// table in freeblocks, in the pages' free space and on freed pages); each is posted as
// "ScanDelCallHistoryInfo", then "ScanProgressInfo" with 90.
#pragma once

#include "backup/carve/CarveContext.h"

#include <string>

namespace carve {

class DelCallHistoryCarver {
public:
    explicit DelCallHistoryCarver(CarveContext& context) : context_(context) {}

    // The pages of a long history are read, and its calls made, side by side; threads chooses on
    // how many threads, 0 leaving it to the file's size, the number of calls and the machine. The
    // calls posted are the same for any number.
    void scanDelCallHistoryThread(const std::string& backupFolder, int threads = 0);

private:
    CarveContext& context_;
};

}  // namespace carve
