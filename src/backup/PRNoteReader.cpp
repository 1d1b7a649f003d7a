#include "backup/PRNoteReader.h"

#include "backup/BackupDatabase.h"
#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "backup/BackupReaderFields.h"
#include "backup/NoteBodyText.h"
#include "model/PRNoteNode.h"

#include <cstdint>

namespace {

// Each note comes with its own key last: a carved copy of a live note is told by it, never by
// equal text.
const char* const kLegacyQuery =
    "select TITLE,SUMMARY,MODIFICATION_DATE,CREATION_DATE,DATA,NOTE.ROWID from note LEFT JOIN NOTE_BODIES ON "
    "NOTE.ROWID = NOTE_BODIES.NOTE_ID";
// A note names its body in ZBODY; the two tables count their keys apart, so equal keys would
// pair a body with another note.
const char* const kCoreDataQuery =
    "select ZTITLE,ZSUMMARY,ZMODIFICATIONDATE,ZCREATIONDATE,ZCONTENT,ZNOTE.Z_PK from znote LEFT JOIN ZNOTEBODY ON "
    "ZNOTE.ZBODY = ZNOTEBODY.Z_PK";

}  // namespace

void PRNoteReader::scanNoteThread(const std::string& backupFolder) { read(backupFolder, false); }

void PRNoteReader::scanTransferNoteThread(const std::string& backupFolder) { read(backupFolder, true); }

void PRNoteReader::read(const std::string& backupFolder, bool transfer) {
    backupreader::EndNotification end(transfer, [this, transfer] {
        if (transfer)
            notices::ScanTransferNoteFinished.post(nc_, NSNumber::numberWithInt(70), sender_);
        else
            notices::ScanProgressInfo.post(nc_, NSNumber::numberWithInt(70));
    });
    if (backupFolder.empty()) return;
    const auto dbPath = backupreader::firstExisting(backupFolder, {backupkeys::notes, backupkeys::notesOld});
    if (!dbPath) {
        backupreader::log("messageDB is not exist");
        return;
    }
    end.arm();

    BackupDatabase db(*dbPath);
    auto onRow = [&](const BackupDatabase::Row& row) {
        using backupreader::text;
        auto note = std::make_shared<PRNoteNode>();
        if (auto v = text(row.text(4))) note->setNoteContent(backuptext::noteBodyText(*v));
        if (auto v = text(row.text(0))) note->setNoteTitle(std::move(*v));
        if (auto v = backupreader::dateText(row.decimal(2), true)) note->setNoteDate(std::move(*v));
        if (auto key = row.decimal(5); key && *key > 0 && *key <= INT32_MAX) note->setUid(static_cast<int>(*key));
        (transfer ? notices::ScanTransferNoteInfo : notices::ScanNoteInfo)
            .post(nc_, note, transfer ? sender_ : nullptr);
    };
    if (!db.query(kLegacyQuery, onRow)) db.query(kCoreDataQuery, onRow);
}
