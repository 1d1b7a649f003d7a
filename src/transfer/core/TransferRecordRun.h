// One reading of a kind of records for the transfer page, run on a worker: the device is backed
// up once into the page's backup folder ("/tmp/Backup/<identifier>"), then the transfer readers
// run on that backup and post their records with the page's token as sender. The message
// reader takes the senders' names from the contacts, so a message read runs the contact reader
// first when the contacts have not been read.
#pragma once

#include "backup/PRBackupScanState.h"
#include "transfer/core/TransferRecordIntake.h"

#include <string>

namespace transfer {

struct RecordReadRequest {
    RecordKind kind = RecordKind::Contacts;
    std::string identifier;        // the device's unique identifier
    bool backupDone = false;       // the backup of this device is there already
    bool contactsRead = false;     // the contact table is filled
    const void* sender = nullptr;  // the page's token
};

struct RecordReadResult {
    RecordKind kind = RecordKind::Contacts;
    bool backedUp = false;  // a backup was there or was made by this run
    std::string backupFolder;
    std::string failure;  // why no backup could be read (empty on success)
};

class TransferRecordRun {
public:
    // The folder the page backs devices up into.
    static constexpr const char* kBackupRoot = "/tmp/Backup";

    // Backs up (unless done) and runs the readers of the kind with state for the name look-ups.
    // Blocks until the readers have posted their last notification.
    static RecordReadResult run(const RecordReadRequest& request, PRBackupScanState& state);
};

}  // namespace transfer
