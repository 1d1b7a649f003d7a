// Rebuilds deleted text messages from the raw pages of a backup's message database: rows of the
// message table of iOS 4 (with the iMessage columns of iOS 5) whose address and direction are
// their own, and rows of the iOS 6 and 7 table, joined with the handle that names the other
// party. A message whose row still names its group (the group_id of the iOS 5 layout, the room
// name of an iOS 6 or 7 group chat of iMessages) joins that group where the message reader found it on
// the phone (PRBackupScanState::messageGroups). Each message is posted as "ScanDelMessageInfo",
// then "ScanProgressInfo" with 80.
#pragma once

#include "backup/MessageGroups.h"
#include "backup/MessagePartFiles.h"
#include "backup/carve/CarveContext.h"
#include "model/MessageParts.h"

#include <functional>
#include <string>

namespace carve {

struct CarvedRecord;
class RowShape;

class DelMessageCarver {
public:
    explicit DelMessageCarver(CarveContext& context) : context_(context) {}

    // namesIn, when given, is asked once the file's pages are looked through, before a message is
    // made (or, without a database, before its absence is logged): it may wait for the contacts
    // and message groups to come into the scan state, and false ends the carve there, nothing
    // posted (answered false too). The pages are then looked through while the names come in.
    bool scanDelMessageThread(const std::string& backupFolder, const std::function<bool()>& namesIn = {});

private:
    // Posts the message an older row holds, with its parts (none where the file keeps none) and
    // their files.
    void postOlder(const CarvedRecord& row, const RowShape& shape, const MessageParts* parts,
                   const MessagePartFiles* partFiles);
    void post(const PRMessageNodePtr& message);
    static void joinGroup(PRMessageNode& message, const MessageGroups::Group* group);

    CarveContext& context_;
    // The date of the backup and the latest time a message of its database can hold (see
    // CarveDatabase::latestTime), once it is open.
    int64_t backupTime_ = 0;
    int64_t latest_ = 0;
};

}  // namespace carve
