#include "backup/carve/DelCallHistoryCarver.h"

#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveRowTests.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRRecordFields.h"

namespace carve {

namespace {
const std::string kPosted = "ScanDelCallHistoryInfo";
const char* const kCalls = "2b2b0084a1bc3a5ac8c27afdf14afb42c61a19ca";
const char* const kCallsOld = "ff1324e6b949111b2fb449ecddb50c89c3699a78";
}  // namespace

void DelCallHistoryCarver::scanDelCallHistoryThread(const std::string& backupFolder) {
    CarveDatabase db;
    if (!db.openIn(backupFolder, {kCalls, kCallsOld}, context_)) return;
    pageSize_ = db.pageSize();
    db.walkPages(/*upwards*/ true, [&](int64_t, int64_t P) {
        int code = getPageType(db.file(), P);
        if (code == 1 || code == 4) carvePage(db, P);
    });
    postProgress(context_, 90);
}

void DelCallHistoryCarver::carvePage(CarveDatabase& db, int64_t P) {
    CarveFile& file = db.file();
    int K = db.pageNumber(P + 8);
    if (bcheckSubStringIsValid(file, P + K + 7, 6, 1, 6) != 1) return;
    const bool iOS6 = context_.state.currentNodeIsiOS6Version;
    int F = iOS6 ? 0 : accquireFieldLength(file, P + K + 3);
    FieldValue value;
    const uint8_t* page = file.held(P, static_cast<size_t>(pageSize_));
    for (int64_t j = P; j < P + pageSize_; ++j) {
        if (page && page[j - P] != 0x01 && page[j - P] != 0x03) continue;  // the common case, quickly
        const uint8_t* T = file.bytes(j, 3);
        if ((T[0] != 0x01 && T[0] != 0x03) || bCheckDataIsValid(T, 3, 1) != 1) continue;
        int L = 13;
        if (!iOS6) {
            if (F != 0) {
                L = F;
            } else if (int here = accquireFieldLength(file, j - 5); here != 0) {
                L = F = here;
            } else {
                L = accquireField(file, j + 4) ? 9 : 8;
            }
        }
        RecordCursor rec{file, j - 4, L};
        rec.valueCapacity = pageSize_;
        auto call = std::make_shared<PRCallHistoryNode>();
        AnalyseDBDataFile(rec, 1, value);
        if (!value.text().empty()) call->setCallPhone(textOf(value));
        AnalyseDBDataFile(rec, 2, value);
        call->setCallDate(dateTextOf32(value, false));
        AnalyseDBDataFile(rec, 3, value);
        call->setCallTime(value.intNumber());
        AnalyseDBDataFile(rec, 4, value);
        call->setCallType(value.intNumber() == 5 ? "Outgoing" : "Incoming");
        if (call->callTime() == 0)
            call->setCallDuration(call->callType() == "Outgoing" ? "Cancelled" : "Missed");
        else
            call->setCallDuration(getCallHistoryDuration(call->callTime()));
        if (characterCount(call->callPhone()) > 1) call->setCallName(context_.nameFor(call->callPhone()));
        if (!db.isLiveRow(j)) context_.nc->postNotificationName(kPosted, call);
    }
}

}  // namespace carve
