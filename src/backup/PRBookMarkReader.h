// Reads a backup's browser bookmarks and its browsing history list into bookmark records,
// with the browser's five built-in bookmarks between them.
#pragma once

#include "platform/NotificationCenter.h"

#include <string>

class PRBookMarkReader {
public:
    explicit PRBookMarkReader(NSNotificationCenter& nc = NSNotificationCenter::defaultCenter()) : nc_(nc) {}

    // Posts "scanBookMarkInfo" per bookmark and history entry.
    void scanBookMarkThread(const std::string& backupFolder);
    // Posts "scanCopyBookMarkInfo" per bookmark and history entry, then "scanCopyBookMarkFinished".
    void scanTransferBookMarkThread(const std::string& backupFolder);

private:
    void read(const std::string& backupFolder, bool transfer);
    void post(const std::string& title, const std::string& url, bool transfer);

    NSNotificationCenter& nc_;
};
