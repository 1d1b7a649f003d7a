// Reads a backup's call history into call records with the caller's contact name, the kind of
// call and its duration text.
#pragma once

#include "backup/PRBackupScanState.h"
#include "platform/NotificationCenter.h"

#include <string>

class PRCallHistoryReader {
public:
    explicit PRCallHistoryReader(PRBackupScanState& state,
                                 NSNotificationCenter& nc = NSNotificationCenter::defaultCenter())
        : state_(state), nc_(nc) {}

    // Posts "ScanCallHistoryInfo" per call, then "ScanProgressInfo" with 60; names from contactArray.
    void scanCallHistoryThread(const std::string& backupFolder);
    // Posts "scanCopyCallLogInfo" per call, then "scanCopyCallLogInfoFinished"; names from
    // transContactArray (the contacts of the same transfer backup).
    void scanTransferCallLogThread(const std::string& backupFolder);

private:
    void read(const std::string& backupFolder, bool transfer);

    PRBackupScanState& state_;
    NSNotificationCenter& nc_;
};
