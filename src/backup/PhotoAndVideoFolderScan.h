// A scan of one loose folder for files large enough to be photos or videos: every entry of the
// folder (not its sub-folders) of at least 50000 bytes is announced by its full path, with a
// progress count along the way. Runs synchronously on the calling thread and posts from it.
#pragma once

#include "platform/NotificationCenter.h"

#include <cstdint>
#include <string>

class PhotoAndVideoFolderScan {
public:
    static constexpr uint64_t kMinimumFileSize = 50000;

    explicit PhotoAndVideoFolderScan(NSNotificationCenter& nc = NSNotificationCenter::defaultCenter()) : nc_(nc) {}

    // Lists folder (entries in name order, hidden ones included) and, for each entry, posts
    // "ScanProgressInfo" with a running count 1, 2, ... up to 29 as the entry index reaches each
    // 30th of the entry count, then "ScanPhotoAndVideoInfo" with "<folder>/<name>" (an NSString)
    // when the entry itself, links not followed, holds at least kMinimumFileSize bytes. A folder
    // that cannot be listed posts nothing.
    void scanPhotoAndVideoThread(const std::string& folder);

private:
    NSNotificationCenter& nc_;
};
