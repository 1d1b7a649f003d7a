// backup-dump --carve: after the readers, the deleted-record carvers run over the backup's
// databases, and what they rebuild goes through the result screen's intake, so that rows the
// readers already listed (live rows) and repeats are not printed as deleted records.
#pragma once

#include "backup/PRBackupScanState.h"
#include "backup/carve/PRDeletedRecordMerge.h"
#include "platform/NotificationCenter.h"

#include <string>

class DeletedRecordCarvers {
public:
    // Starts collecting the records the readers post on nc.
    explicit DeletedRecordCarvers(NSNotificationCenter& nc);
    ~DeletedRecordCarvers();
    DeletedRecordCarvers(const DeletedRecordCarvers&) = delete;
    DeletedRecordCarvers& operator=(const DeletedRecordCarvers&) = delete;

    // Runs the six carvers on the backup folder and posts the deleted records they add on nc,
    // under the carvers' notification names, with their progress values.
    void run(const std::string& backupFolder, PRBackupScanState& state);

private:
    NSNotificationCenter& nc_;
    PRDeletedRecordMerge merge_;
};
