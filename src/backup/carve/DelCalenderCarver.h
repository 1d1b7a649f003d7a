// Rebuilds deleted calendar items from the raw pages of a backup's calendar database: rows of
// the Event table (iOS 4) or of CalendarItem with their places from Location (iOS 5 and later),
// whichever layout the file holds; each is posted as "scanDelCalenderInfo", then
// "ScanProgressInfo" with 100.
#pragma once

#include "backup/carve/CarveContext.h"

#include <string>

namespace carve {

struct CarvedRecord;
class RowShape;

class DelCalenderCarver {
public:
    explicit DelCalenderCarver(CarveContext& context) : context_(context) {}

    void ScanDelCalenderThread(const std::string& backupFolder);

private:
    // Posts the event a row holds (place: the title of the place paired with it, for an item
    // whose place is a row of its own).
    void post(const CarvedRecord& item, const RowShape& shape, const std::string& place);

    CarveContext& context_;
    // The latest time an event of the open database can hold (see CarveDatabase::latestTime).
    int64_t latest_ = 0;
};

}  // namespace carve
