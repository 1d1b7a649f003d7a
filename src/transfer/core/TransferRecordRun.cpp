#include "transfer/core/TransferRecordRun.h"

#include "backup/PRContactReader.h"
#include "backup/PRMessageReader.h"
#include "backup/PRNoteReader.h"
#include "browser/core/BackupToolRun.h"
#include "platform/Paths.h"

namespace transfer {

RecordReadResult TransferRecordRun::run(const RecordReadRequest& request, PRBackupScanState& state) {
    RecordReadResult result;
    result.kind = request.kind;
    result.backupFolder = browser::BackupToolRun::backupFolderFor(request.identifier, paths::resolve(kBackupRoot));
    if (!request.backupDone) {
        const browser::BackupRunResult backup =
            browser::BackupToolRun::run(request.identifier, paths::resolve(kBackupRoot));
        if (!backup.completed()) {
            result.failure = backup.message;
            return result;
        }
    }
    result.backedUp = true;
    const bool contacts =
        request.kind == RecordKind::Contacts || (request.kind == RecordKind::Messages && !request.contactsRead);
    if (contacts) {
        PRContactReader reader(state);
        reader.setSender(request.sender);
        reader.scanTransferContactThread(result.backupFolder);
    }
    if (request.kind == RecordKind::Messages) {
        PRMessageReader reader(state);
        reader.setSender(request.sender);
        reader.scanTransferMessageThread(result.backupFolder);
    } else if (request.kind == RecordKind::Notes) {
        PRNoteReader reader;
        reader.setSender(request.sender);
        reader.scanTransferNoteThread(result.backupFolder);
    }
    return result;
}

}  // namespace transfer
