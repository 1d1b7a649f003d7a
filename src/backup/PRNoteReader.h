// Reads a backup's notes (the older notes.db tables or the later notes.sqlite ones) into note
// records with the markup of their bodies taken out.
#pragma once

#include "platform/NotificationCenter.h"

#include <string>

class PRNoteReader {
public:
    explicit PRNoteReader(NSNotificationCenter& nc = NSNotificationCenter::defaultCenter()) : nc_(nc) {}

    // Posts "ScanNoteInfo" per note, then "ScanProgressInfo" with 70.
    void scanNoteThread(const std::string& backupFolder);
    // Posts "ScanTransferNoteInfo" per note, then "ScanTransferNoteFinished" with 70.
    void scanTransferNoteThread(const std::string& backupFolder);

    // The transfer variants post as sender: a page that starts a run tells its own records
    // from those of another page's run by it.
    void setSender(const void* sender) { sender_ = sender; }

private:
    void read(const std::string& backupFolder, bool transfer);

    NSNotificationCenter& nc_;
    const void* sender_ = nullptr;
};
