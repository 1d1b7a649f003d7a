#include "backup/PRCallHistoryReader.h"

#include "backup/BackupDatabase.h"
#include "backup/BackupReaderFields.h"
#include "backup/PRContactPhoneIndex.h"
#include "model/LocalTime.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRRecordFields.h"

void PRCallHistoryReader::scanCallHistoryThread(const std::string& backupFolder) { read(backupFolder, false); }

void PRCallHistoryReader::scanTransferCallLogThread(const std::string& backupFolder) { read(backupFolder, true); }

void PRCallHistoryReader::read(const std::string& backupFolder, bool transfer) {
    backupreader::EndNotification end(nc_, transfer ? "scanCopyCallLogInfoFinished" : "ScanProgressInfo",
                                      transfer ? nullptr : NSNumber::numberWithInt(60), transfer);
    if (backupFolder.empty()) return;
    const auto dbPath = backupreader::firstExisting(
        backupFolder, {"2b2b0084a1bc3a5ac8c27afdf14afb42c61a19ca", "ff1324e6b949111b2fb449ecddb50c89c3699a78"});
    if (!dbPath) return;
    end.arm();

    const PRContactPhoneIndex contacts(transfer ? state_.transContactArray : state_.contactArray);
    const std::string infoName = transfer ? "scanCopyCallLogInfo" : "ScanCallHistoryInfo";
    const std::string outgoingText = "Outgoing", incomingText = "Incoming";
    BackupDatabase db(*dbPath);
    const LocalZoneHold zone;  // every call of the history in the zone the read started in
    db.query("select address,date,duration,flags from call", [&](const BackupDatabase::Row& row) {
        auto call = std::make_shared<PRCallHistoryNode>();
        // Straight into the record: a number is short text, which a move copies.
        if (const char* address = row.text(0)) call->setCallPhone(GetStringFormChar(address));
        if (auto v = backupreader::dateText(row.decimal(1), false)) call->setCallDate(std::move(*v));
        if (auto v = row.decimal(2)) call->setCallTime(static_cast<int>(*v));
        // Bit 0 of the flags marks an outgoing call (5 for a call, 17 for FaceTime...), as the
        // database's own timer triggers read it.
        const bool outgoing = (row.decimal(3).value_or(0) & 1) != 0;
        call->setCallType(outgoing ? outgoingText : incomingText);
        if (call->callTime() != 0)
            call->setCallDuration(getCallHistoryDuration(call->callTime()));
        else
            call->setCallDuration(outgoing ? "Cancelled" : "Missed");
        if (auto contact = contacts.find(call->callPhone(), 1)) call->setCallName(copiedText(contact->contactName()));
        nc_.postNotificationName(infoName, std::move(call));
    });
}
