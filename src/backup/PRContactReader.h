// Reads a backup's address book (people, their phone numbers, e-mail and postal addresses and
// web pages) and its picture database into contact records, one notification per contact.
// The scan variant feeds the backup browser; the transfer variant feeds the copy pages and
// keeps the contacts as the transfer contact list. Both run on the calling thread.
#pragma once

#include "backup/PRBackupScanState.h"
#include "platform/NotificationCenter.h"

#include <string>

class PRContactReader {
public:
    explicit PRContactReader(PRBackupScanState& state, NSNotificationCenter& nc = NSNotificationCenter::defaultCenter())
        : state_(state), nc_(nc) {}

    // Posts "ScanContactInfo" per contact, then "ScanProgressInfo" with 40; the contacts go
    // into contactArray and their pictures into contactImageArray.
    void scanContactThread(const std::string& backupFolder);
    // Replaces transContactArray; posts "ScanTransferContactInfo" per contact, then
    // "ScanTransferContactFinished" with no object.
    void scanTransferContactThread(const std::string& backupFolder);

    // The transfer variants post as sender: a page that starts a run tells its own records
    // from those of another page's run by it.
    void setSender(const void* sender) { sender_ = sender; }

private:
    void read(const std::string& backupFolder, bool transfer);

    PRBackupScanState& state_;
    NSNotificationCenter& nc_;
    const void* sender_ = nullptr;
};
