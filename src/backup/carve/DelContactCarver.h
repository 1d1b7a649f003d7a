// Rebuilds deleted contacts from the raw pages of a backup's address-book database: person rows
// give the contacts (name, company, note, job title), value rows their phone numbers, e-mail
// addresses and home pages, joined by the person's row id that each value names. Where a
// person's row id was lost, a value joins only when the rows around the person leave that id to
// it alone. Each contact is posted as
// "ScanDelContactInfo", then "ScanProgressInfo" with 75.
#pragma once

#include "backup/carve/CarveContext.h"

#include <string>

namespace carve {

class DelContactCarver {
public:
    explicit DelContactCarver(CarveContext& context) : context_(context) {}

    // Runs the whole carve over the address book of the backup folder, from the calling thread.
    // The records of many persons are made side by side; threads chooses on how many threads,
    // 0 leaving it to the number of persons and the machine. The records, their values and
    // their order are the same for any number.
    void scanDelContactThread(const std::string& backupFolder, int threads = 0);

private:
    CarveContext& context_;
};

}  // namespace carve
