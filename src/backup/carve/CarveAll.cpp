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
              const std::function<bool()>& contactsIn, const std::function<void()>& contactsCarved) {
    // Read once for all six databases (a manifest of thousands of files is read whole for it).
    if (context.backupTime == 0) context.backupTime = backupdate::backupDate(folder).value_or(-1);
    // The contact carver first: see contactsIn. The message carver, the first to name numbers,
    // asks for them once it has looked through its pages.
    bool contactsCame = true;
    const std::function<void()> carvers[] = {
        [&] { DelContactCarver(context).scanDelContactThread(folder); },
        [&] { contactsCame = DelMessageCarver(context).scanDelMessageThread(folder, contactsIn); },
        [&] { DelNoteCarver(context).scanDelNoteThread(folder); },
        [&] { DelCallHistoryCarver(context).scanDelCallHistoryThread(folder); },
        [&] { DelBookMarkCarver(context).ScanDelBookMarkThread(folder); },
        [&] { DelCalenderCarver(context).ScanDelCalenderThread(folder); },
    };
    for (size_t k = 0; k < std::size(carvers); ++k) {
        if (k == 1 && contactsCarved) contactsCarved();
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
        if (!contactsCame) return;
    }
}

bool namesNumbers(const std::string& folder) {
    return !CarveDatabase::existingFile(folder, {backupkeys::messages}).empty() ||
           !CarveDatabase::existingFile(folder, {backupkeys::callHistory, backupkeys::callHistoryOld}).empty();
}

}  // namespace carve
