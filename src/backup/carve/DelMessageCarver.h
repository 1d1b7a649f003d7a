// Rebuilds deleted text messages from the raw pages of a backup's message database: rows of the
// message table of iOS 4 (with the iMessage columns of iOS 5) whose address and direction are
// their own, and rows of the iOS 6 and 7 table, joined with the handle that names the other
// party. Each message is posted as "ScanDelMessageInfo", then "ScanProgressInfo" with 80.
#pragma once

#include "backup/carve/CarveContext.h"

#include <string>

namespace carve {

struct CarvedRecord;

class DelMessageCarver {
public:
    explicit DelMessageCarver(CarveContext& context) : context_(context) {}

    void scanDelMessageThread(const std::string& backupFolder);

    // The direction texts of the older layouts' flags number and of the newer layout's number.
    static std::string flagsType(int flags);
    static std::string iOS6Type(int value);

private:
    void postOlder(const CarvedRecord& row, int shape);
    void post(const PRMessageNodePtr& message);

    CarveContext& context_;
};

}  // namespace carve
