// Rebuilds deleted notes from the raw pages of a backup's notes database, in either layout the
// phones used: the older Note and note_bodies tables (a body names its note by note_id) and the
// Core Data ZNOTE and ZNOTEBODY (a note names its body in ZBODY, the body its note in ZOWNER).
// Every deleted note whose rows remain is posted once as "ScanDelNoteInfo": its title row with
// its body where both are left, either part alone where the other is gone. Then
// "ScanProgressInfo" with 85.
#pragma once

#include "backup/carve/CarveContext.h"

#include <string>

namespace carve {

class DelNoteCarver {
public:
    explicit DelNoteCarver(CarveContext& context) : context_(context) {}

    void scanDelNoteThread(const std::string& backupFolder);

private:
    CarveContext& context_;
};

}  // namespace carve
