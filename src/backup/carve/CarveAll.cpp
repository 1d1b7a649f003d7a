#include "backup/carve/CarveAll.h"

#include "backup/BackupDate.h"
#include "backup/BackupFileKeys.h"
#include "backup/carve/CarveDatabase.h"
#include "backup/carve/DelBookMarkCarver.h"
#include "backup/carve/DelCalenderCarver.h"
#include "backup/carve/DelCallHistoryCarver.h"
#include "backup/carve/DelContactCarver.h"
#include "backup/carve/DelMessageCarver.h"
#include "backup/carve/DelNoteCarver.h"

namespace carve {

void carveAll(CarveContext& context, const std::string& folder, const std::function<bool()>& stop,
              const std::function<bool()>& contactsIn) {
    // Read once for all six databases (a manifest of thousands of files is read whole for it).
    if (context.backupTime == 0) context.backupTime = backupdate::backupDate(folder).value_or(-1);
    // The contact carver first: see contactsIn.
    const std::function<void()> carvers[] = {
        [&] { DelContactCarver(context).scanDelContactThread(folder); },
        [&] { DelMessageCarver(context).scanDelMessageThread(folder); },
        [&] { DelNoteCarver(context).scanDelNoteThread(folder); },
        [&] { DelCallHistoryCarver(context).scanDelCallHistoryThread(folder); },
        [&] { DelBookMarkCarver(context).ScanDelBookMarkThread(folder); },
        [&] { DelCalenderCarver(context).ScanDelCalenderThread(folder); },
    };
    for (size_t k = 0; k < std::size(carvers); ++k) {
        if (k == 1 && contactsIn && !contactsIn()) return;
        if (stop && stop()) return;
        if (context.progress) {
            // A carver whose database is missing looks through nothing.
            context.progress->images = 0;
            context.progress->lookedThrough = 0;
            context.progress->deletedRows = -1;
            context.progress->records = 0;
            context.progress->carver = int(k);
        }
        carvers[k]();
    }
}

bool namesNumbers(const std::string& folder) {
    return !CarveDatabase::existingFile(folder, {backupkeys::messages}).empty() ||
           !CarveDatabase::existingFile(folder, {backupkeys::callHistory, backupkeys::callHistoryOld}).empty();
}

}  // namespace carve
