#include "backup/PRCallHistoryReader.h"

#include "backup/BackupDatabase.h"
#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "backup/BackupReaderFields.h"
#include "backup/TableInParts.h"
#include "model/LocalTime.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRRecordFields.h"

namespace {
const std::string kOutgoing = "Outgoing", kIncoming = "Incoming";
}  // namespace

void PRCallHistoryReader::scanCallHistoryThread(const std::string& backupFolder) { read(backupFolder, false); }

void PRCallHistoryReader::scanTransferCallLogThread(const std::string& backupFolder) { read(backupFolder, true); }

void PRCallHistoryReader::read(const std::string& backupFolder, bool transfer) {
    backupreader::EndNotification end(transfer, [this, transfer] {
        if (transfer)
            notices::scanCopyCallLogInfoFinished.post(nc_);
        else
            notices::ScanProgressInfo.post(nc_, NSNumber::numberWithInt(60));
    });
    if (backupFolder.empty()) return;
    const auto dbPath =
        backupreader::firstExisting(backupFolder, {backupkeys::callHistory, backupkeys::callHistoryOld});
    if (!dbPath) return;
    end.arm();

    // One index of the contacts' numbers for the whole read, asked from every part's thread.
    const std::shared_ptr<const ContactNumberIndex> names = state_.contactNumbers(transfer);
    const Notice<PRCallHistoryNode>& posted = transfer ? notices::scanCopyCallLogInfo : notices::ScanCallHistoryInfo;
    BackupDatabase db(*dbPath);
    // Each part of a long history is made on a thread of its own, with every call in the zone
    // the part started in.
    auto newMaker = [&names] {
        return [names, zone = std::make_shared<const LocalZoneHold>()](const BackupDatabase::Row& row) {
            auto call = std::make_shared<PRCallHistoryNode>();
            // Straight into the record: a number is short text, which a move copies.
            if (const char* address = row.text(0)) call->setCallPhone(GetStringFormChar(address));
            if (auto v = row.decimal(1)) call->setCallDate(recordDate(*v, false));
            if (auto v = row.decimal(2)) call->setCallTime(static_cast<int>(*v));
            // Bit 0 of the flags marks an outgoing call (5 for a call, 17 for FaceTime...), as the
            // database's own timer triggers read it.
            const bool outgoing = (row.decimal(3).value_or(0) & 1) != 0;
            call->setCallType(outgoing ? kOutgoing : kIncoming);
            if (call->callTime() != 0)
                call->setCallDuration(getCallHistoryDuration(call->callTime()));
            else
                call->setCallDuration(outgoing ? "Cancelled" : "Missed");
            if (const auto found = names->find(call->callPhone())) call->setCallName(*found.recordName);
            return call;
        };
    };
    tableparts::read(db, "call", "address,date,duration,flags", newMaker,
                     [&](PRCallHistoryNodePtr&& call) { posted.post(nc_, std::move(call)); });
}
