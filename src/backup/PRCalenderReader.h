// Reads a backup's calendar database (events and reminders) into calendar records: the iOS 6
// CalendarItem table, or on older backups CalendarItem joined to its location and calendar,
// and the Event table of the oldest ones.
#pragma once

#include "backup/PRBackupScanState.h"
#include "platform/NotificationCenter.h"

#include <string>

class PRCalenderReader {
public:
    explicit PRCalenderReader(const PRBackupScanState& state,
                              NSNotificationCenter& nc = NSNotificationCenter::defaultCenter())
        : state_(state), nc_(nc) {}

    // Posts "scanCalenderInfo" per item; the schema follows currentNodeIsiOS6Version.
    void scanCalenderThread(const std::string& backupFolder);
    // Posts "scanCopyRemindMarkInfo" per item, then "scanCopyRemindMarkInfoFinished".
    void scanTransferCalenderThread(const std::string& backupFolder);

private:
    void read(const std::string& backupFolder, bool transfer);

    const PRBackupScanState& state_;
    NSNotificationCenter& nc_;
};
