#include "backup/carve/DelCallHistoryCarver.h"

#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveRecords.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRRecordFields.h"

namespace carve {

namespace {
const std::string kPosted = "ScanDelCallHistoryInfo";
const char* const kCalls = "2b2b0084a1bc3a5ac8c27afdf14afb42c61a19ca";
const char* const kCallsOld = "ff1324e6b949111b2fb449ecddb50c89c3699a78";

// The call table of iOS 6 and later, and the shorter one of older phones: ROWID, address, date,
// duration, flags, id, name, country_code (network_code, read, assisted, face_time_data,
// originalAddress).
const std::vector<TableShape>& callShapes() {
    static const std::vector<TableShape> shapes = {shapeOf("ktIiI|itttiibt"), shapeOf("ktIiI|itt")};
    return shapes;
}

// Seconds since 1970 of 2000-01-01 and 2030-01-01: a call outside them is no call of a phone
// that wrote this layout.
constexpr int64_t kEarliest = 946684800;
constexpr int64_t kLatest = 1893456000;
}  // namespace

void DelCallHistoryCarver::scanDelCallHistoryThread(const std::string& backupFolder) {
    CarveDatabase db;
    if (!db.openIn(backupFolder, {kCalls, kCallsOld}, context_)) return;
    pageSize_ = db.pageSize();
    for (const CarvedTable& table : carveRecords(db, callShapes()))
        for (const CarvedRecord& row : table.deleted) post(row);
    postProgress(context_, 90);
}

void DelCallHistoryCarver::post(const CarvedRecord& row) {
    const CarvedValue& address = row.values[1];
    const int64_t date = row.values[2].asInteger();
    const int64_t duration = row.values[3].asInteger();
    const int64_t flags = row.values[4].asInteger();
    // A value no call holds is a stretch of other bytes that happened to fit the layout.
    const bool plausibleDate =
        (date >= kEarliest && date < kLatest) || (date >= kEarliest - kSince2001 && date < kLatest - kSince2001);
    if (!plausibleDate || duration < 0 || duration > 7 * 86400 || flags < 0 || flags > 0xffff) return;
    auto call = std::make_shared<PRCallHistoryNode>();
    call->setCallPhone(textOf(address));
    if (auto text = dateTimeText(date, false)) call->setCallDate(*text);
    call->setCallTime(static_cast<int>(duration));
    // Bit 0 of the flags marks an outgoing call (5, or 17 for FaceTime...).
    const bool outgoing = flags & 1;
    call->setCallType(outgoing ? "Outgoing" : "Incoming");
    if (duration == 0)
        call->setCallDuration(outgoing ? "Cancelled" : "Missed");
    else
        call->setCallDuration(getCallHistoryDuration(static_cast<int32_t>(duration)));
    if (characterCount(call->callPhone()) > 1) call->setCallName(context_.nameFor(call->callPhone()));
    context_.nc->postNotificationName(kPosted, call);
}

}  // namespace carve
