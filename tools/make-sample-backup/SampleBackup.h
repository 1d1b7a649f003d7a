// Writes legacy iTunes backup folders (Info.plist, Status.plist, Manifest.plist,
// Manifest.mbdb and every file under its key) for the sample devices, and adds files to an
// existing backup for the fixture makers of other data (databases, attachments).
#pragma once

#include "SampleDatabases.h"

#include <cstdint>
#include <string>
#include <vector>

namespace samplebackup {

// One backed-up item: a file with its content, or a folder (no content, no backup file).
struct BackupItem {
    std::string domain;
    std::string path;
    std::string bytes;
    bool folder = false;
    uint32_t modified = 1367409600;  // 2013-05-01 12:00:00 UTC
};

// Writes every file under its key in the backup folder (replacing one of the same key) and
// appends the items' records to the folder's Manifest.mbdb (made when missing).
bool addFilesToBackup(const std::string& backupFolder, const std::vector<BackupItem>& items);

// Writes the personal databases (address book, messages with their attachment files, call
// history, notes, bookmarks with the history list, calendar) under their keys and appends
// their records to the folder's Manifest.mbdb.
bool addSampleDatabases(const std::string& backupFolder, const sampledb::BackupSchemas& schemas,
                        const sampledb::SampleSize& size);
// The schemas of the sample iPhone's databases (it runs iOS 6).
sampledb::BackupSchemas sampleDatabaseSchemas();

// What the property lists of a backup say about its device.
struct SampleDevice {
    std::string name;
    std::string productType;
    std::string productVersion;
    std::string buildVersion;
    std::string serialNumber;
    std::string udid;
    std::string phoneNumber;
    std::string itunesVersion;
    int64_t backupTime = 1367409600;  // seconds since 1970
};

// Writes Info.plist (unless withInfo is false), Status.plist and Manifest.plist with its
// "Lockdown" entry; the property lists carry the backup time as their modification time.
bool writeBackupPropertyLists(const std::string& backupFolder, const SampleDevice& device, bool withInfo = true);

// The sample iPhone and iPad, and the items of the full sample backup (besides its databases) (over 2,000 records:
// camera roll, media, home, the three social apps and other app and system domains).
SampleDevice sampleIPhone();
SampleDevice sampleIPad();
// Older phones whose backups carry the databases of iOS 4 and of iOS 5: one installed with iOS
// 5.1, one upgraded from iOS 4 to iOS 5.0.1.
SampleDevice sampleIPhoneOfIos4();
SampleDevice sampleIPhoneOfIos5();
SampleDevice sampleIPhoneUpgradedToIos5();
std::vector<BackupItem> sampleBackupItems();

// The small backup of an older phone: the device, and the layouts of its databases, which hold
// the data of olderPhoneSize().
struct OlderPhone {
    SampleDevice device;
    sampledb::BackupSchemas schemas;
};
// The older phones of writeSampleBackups, in its order: the iOS 4 phone, then the two of iOS 5
// (installed fresh, and upgraded from iOS 4), whose messages include a few deleted ones.
std::vector<OlderPhone> olderPhones();
sampledb::SampleSize olderPhoneSize();
// The messages an older phone's backup holds deleted.
sampledb::DeletedMessages deletedMessagesOf(const OlderPhone& phone);

// Writes the sample backups under root, one per iOS version from 4 to 7 and one more of iOS 5:
// the full iPhone backup (iOS 6, with Info.plist), a small iPad backup (iOS 7) described by its
// Manifest.plist alone, and small backups of the older phones. Returns the backup folders
// written, in that order.
std::vector<std::string> writeSampleBackups(const std::string& root);

}  // namespace samplebackup
