#include "backup/PRNoteReader.h"

#include "backup/BackupDatabase.h"
#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "backup/BackupReaderFields.h"
#include "backup/HtmlEntities.h"
#include "model/PRNoteNode.h"

#include <string_view>

namespace {

const char* const kLegacyQuery =
    "select TITLE,SUMMARY,MODIFICATION_DATE,CREATION_DATE,DATA from note LEFT JOIN NOTE_BODIES ON NOTE.ROWID = "
    "NOTE_BODIES.NOTE_ID";
// A note names its body in ZBODY; the two tables count their keys apart, so equal keys would
// pair a body with another note.
const char* const kCoreDataQuery =
    "select ZTITLE,ZSUMMARY,ZMODIFICATIONDATE,ZCREATIONDATE,ZCONTENT from znote LEFT JOIN ZNOTEBODY ON "
    "ZNOTE.ZBODY = ZNOTEBODY.Z_PK";

// Each piece of the body's markup becomes one blank. (One pass gives what replacing each piece
// in turn gives: a blank never completes another piece.)
std::string withoutMarkup(const std::string& body) {
    static const std::string_view markup[] = {"<div>", "</div>", "&nbsp;", "<br>", "</br>"};
    std::string out;
    out.reserve(body.size());
    const std::string_view text(body);
    for (size_t i = 0; i < text.size();) {
        size_t matched = 0;
        if (text[i] == '<' || text[i] == '&')
            for (std::string_view piece : markup)
                if (text.substr(i, piece.size()) == piece) {
                    matched = piece.size();
                    break;
                }
        if (matched) {
            out += ' ';
            i += matched;
        } else {
            out += text[i++];
        }
    }
    return out;
}

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
        if (auto v = text(row.text(4))) note->setNoteContent(std::move(*v));
        if (auto v = text(row.text(0))) note->setNoteTitle(std::move(*v));
        if (auto v = backupreader::dateText(row.decimal(2), true)) note->setNoteDate(std::move(*v));
        note->setNoteContent(backuptext::decodeHtmlEntities(withoutMarkup(note->noteContent())));
        (transfer ? notices::ScanTransferNoteInfo : notices::ScanNoteInfo)
            .post(nc_, note, transfer ? sender_ : nullptr);
    };
    if (!db.query(kLegacyQuery, onRow)) db.query(kCoreDataQuery, onRow);
}
