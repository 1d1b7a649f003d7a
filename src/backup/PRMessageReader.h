// Reads a backup's messages database (SMS and iMessage) into message records, with the other
// party's contact name and picture, the group conversation a message belongs to
// (MessageGroups.h) and, on iOS 6 and later, the attachment's backup file and kind. Knows the
// iOS 6 schema (message + handle + chat) and the older ones (message + group_member, with or
// without the iMessage columns), falling back from one query to the next. The scan variant
// feeds the backup browser, the transfer variant the copy pages.
#pragma once

#include "backup/PRBackupScanState.h"
#include "platform/NotificationCenter.h"

#include <string>
#include <vector>

class PRMessageReader {
public:
    explicit PRMessageReader(PRBackupScanState& state, NSNotificationCenter& nc = NSNotificationCenter::defaultCenter())
        : state_(state), nc_(nc) {}

    // Posts "ScanMessageInfo" per message, then "ScanProgressInfo" with 50. Names come from
    // contactArray, attachments from the manifest records kept by the manifest reader.
    void scanMessageThread(const std::string& backupFolder);
    // Folds the journal in and decides the schema from the folder's property lists first;
    // posts "ScanTransferMessageInfo" per message, then "ScanTransferMessageFinished". Names
    // come from transContactArray, attachments from the folder's own backup files.
    void scanTransferMessageThread(const std::string& backupFolder);

    // The attachment rows of a messages database (iOS 6 and later) with their kinds.
    void scanMessageAttachThread(const std::string& databasePath);
    static void scanTransMessageAttachThread(const std::string& databasePath,
                                             std::vector<PRMessageAttachNodePtr>& into);

    // Sets currentNodeIsiOS6Version from the folder's "Info.plist" (or the "Lockdown" part of
    // its "Manifest.plist"). When neither names a usable version it says so on standard error
    // and takes the schema from the messages database; changes nothing without one.
    void checkiOSVersionByPath(const std::string& backupFolder);

    // The transfer variants post as sender: a page that starts a run tells its own records
    // from those of another page's run by it.
    void setSender(const void* sender) { sender_ = sender; }

private:
    // The schema to read dbPath with: the version's (ios6) unless the database plainly holds
    // the other one, which is then said on standard error.
    static bool schemaToRead(const std::string& dbPath, bool ios6);
    // Says that no version could be read (why, when known) and takes the schema from the
    // messages database.
    void versionUnreadable(const std::string& backupFolder, const std::string& why);
    void read(const std::string& backupFolder, bool transfer);
    // The attachment's backup file, kind and, for a shared contact or location, its card.
    void attachFile(PRMessageNode& message, const PRMessageAttachNode& attach, const std::string& backupFolder,
                    bool transfer) const;

    PRBackupScanState& state_;
    NSNotificationCenter& nc_;
    const void* sender_ = nullptr;
};
