#include "backup/PRNoteReader.h"

#include "backup/BackupDatabase.h"
#include "backup/BackupReaderFields.h"
#include "backup/CommitDB.h"
#include "model/PRNoteNode.h"

namespace {

const char* const kLegacyQuery =
    "select TITLE,SUMMARY,MODIFICATION_DATE,CREATION_DATE,DATA from note LEFT JOIN NOTE_BODIES ON NOTE.ROWID = "
    "NOTE_BODIES.NOTE_ID";
const char* const kCoreDataQuery =
    "select ZTITLE,ZSUMMARY,ZMODIFICATIONDATE,ZCREATIONDATE,ZCONTENT from znote LEFT JOIN ZNOTEBODY ON "
    "ZNOTE.Z_PK = ZNOTEBODY.Z_PK";

// Each piece of the body's markup becomes one blank.
std::string withoutMarkup(std::string body) {
    for (const std::string markup : {"<div>", "</div>", "&nbsp;", "<br>", "</br>"})
        for (size_t at = body.find(markup); at != std::string::npos; at = body.find(markup, at + 1))
            body.replace(at, markup.size(), " ");
    return body;
}

}  // namespace

void PRNoteReader::scanNoteThread(const std::string& backupFolder) { read(backupFolder, false); }

void PRNoteReader::scanTransferNoteThread(const std::string& backupFolder) { read(backupFolder, true); }

void PRNoteReader::read(const std::string& backupFolder, bool transfer) {
    backupreader::EndNotification end(nc_, transfer ? "ScanTransferNoteFinished" : "ScanProgressInfo",
                                      NSNumber::numberWithInt(70), transfer);
    if (backupFolder.empty()) return;
    const auto dbPath = backupreader::firstExisting(
        backupFolder, {"ca3bc056d4da0bbf88b5fb3be254f3b7147e639c", "740b7eaf93d6ea5d305e88bb349c8e9643f48c3b"});
    if (!dbPath) {
        backupreader::log("messageDB is not exist");
        return;
    }
    end.arm();
    commitDB(*dbPath);

    BackupDatabase db(*dbPath);
    auto onRow = [&](const BackupDatabase::Row& row) {
        using backupreader::text;
        auto note = std::make_shared<PRNoteNode>();
        if (auto v = text(row.text(4))) note->setNoteContent(std::move(*v));
        if (auto v = text(row.text(0))) note->setNoteTitle(std::move(*v));
        if (auto v = backupreader::dateText(row.text(2), true)) note->setNoteDate(std::move(*v));
        note->setNoteContent(withoutMarkup(note->noteContent()));
        nc_.postNotificationName(transfer ? "ScanTransferNoteInfo" : "ScanNoteInfo", note);
    };
    if (!db.query(kLegacyQuery, onRow)) db.query(kCoreDataQuery, onRow);
}
