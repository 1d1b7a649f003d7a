#include "backup/carve/DelCallHistoryCarver.h"

#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveRecords.h"
#include "backup/carve/FileShapes.h"
#include "backup/carve/InParallel.h"
#include "model/PRCallHistoryNode.h"
#include "model/PRRecordFields.h"

#include <memory>
#include <vector>

namespace carve {

namespace {

// The call table: every phone keeps ROWID, address, date, duration, flags, id, name and
// country_code; iOS 6 adds network_code, read, assisted, face_time_data and originalAddress.
enum CallColumn : size_t { kAddress, kDate, kDuration, kFlags };
const KnownTable kCallTable{"call",
                            {
                                {"address", ColumnKind::text, kRead | kIdentity | kNeeded},
                                {"date", ColumnKind::integer, kRead | kIdentity | kNeeded | kNotNull},
                                {"duration", ColumnKind::integer, kRead | kNeeded},
                                {"flags", ColumnKind::integer, kRead | kNeeded | kNotNull},
                                {"id", ColumnKind::integer},
                                {"name", ColumnKind::text},
                                {"country_code", ColumnKind::text},
                                {"network_code", ColumnKind::text},
                                {"read", ColumnKind::integer},
                                {"assisted", ColumnKind::integer},
                                {"face_time_data", ColumnKind::blob},
                                {"originalAddress", ColumnKind::text},
                            }};

// Seconds since 1970 of 2000-01-01: a call before it is no call of a phone that wrote this
// layout, nor one after the latest time a phone can hold.
constexpr int64_t kEarliest = 946684800;

// The call a row holds, or null where a value is one no call holds (a stretch of other bytes
// that happened to fit the layout). Its time, counted from 1970 or from 2001, is judged against
// the date of the backup that holds it (backupTime), and is no later than latest.
PRCallHistoryNodePtr callOf(const CarvedRecord& row, const RowShape& shape, ContactNames& names, int64_t backupTime,
                            int64_t latest) {
    const CarvedValue& address = shape.value(row, kAddress);
    const int64_t date = shape.value(row, kDate).asInteger();
    const int64_t duration = shape.value(row, kDuration).asInteger();
    const int64_t flags = shape.value(row, kFlags).asInteger();
    const bool plausibleDate =
        (date >= kEarliest && date < latest) || (date >= kEarliest - kSince2001 && date < latest - kSince2001);
    if (!plausibleDate || duration < 0 || duration > 7 * 86400 || flags < 0 || flags > 0xffff) return nullptr;
    auto call = std::make_shared<PRCallHistoryNode>();
    call->setCallPhone(textOf(address));
    call->setCallDate(recordDate(date, TimeBase::judged, backupTime));
    call->setCallTime(static_cast<int>(duration));
    // Bit 0 of the flags marks an outgoing call (5, or 17 for FaceTime...).
    const bool outgoing = flags & 1;
    call->setCallType(outgoing ? "Outgoing" : "Incoming");
    if (duration == 0)
        call->setCallDuration(outgoing ? "Cancelled" : "Missed");
    else
        call->setCallDuration(getCallHistoryDuration(static_cast<int32_t>(duration)));
    if (characterCount(call->callPhone()) > 1) call->setCallName(names.nameFor(call->callPhone()));
    return call;
}
}  // namespace

void DelCallHistoryCarver::scanDelCallHistoryThread(const std::string& backupFolder, int threads) {
    CarveDatabase db;
    if (!db.openIn(backupFolder, {backupkeys::callHistory, backupkeys::callHistoryOld}, context_)) return;
    FileShapes shapes(db);
    const size_t calls = shapes.add(kCallTable);
    std::vector<CarvedTable> tables = carveRecords(db, shapes.shapes(), threads);
    shapes.report(tables);
    std::vector<const CarvedRecord*> rows;
    std::vector<const RowShape*> shapeOfRow;
    std::vector<size_t> firstRowOf(tables.size(), 0);  // of each table, in rows
    for (const FileShapes::Member& member : shapes.of(calls)) {
        firstRowOf[member.index] = rows.size();
        for (const CarvedRecord& row : tables[member.index].deleted) {
            rows.push_back(&row);
            shapeOfRow.push_back(member.shape);
        }
    }

    // The calls are made side by side in stretches, each thread with a name look-up of its own,
    // and posted here in order as the stretches are made.
    constexpr size_t kCallsPerStretch = 16384;
    std::vector<PRCallHistoryNodePtr> made(rows.size());
    std::vector<std::unique_ptr<ContactNames>> names(stretchThreads(rows.size(), kCallsPerStretch, threads));
    inStretchesInOrder(
        rows.size(), kCallsPerStretch, threads,
        [&](size_t from, size_t to, size_t thread) {
            if (!names[thread]) names[thread] = std::make_unique<ContactNames>(context_.state);
            for (size_t i = from; i < to; ++i)
                made[i] = callOf(*rows[i], *shapeOfRow[i], *names[thread], db.backupTime(), db.latestTime());
        },
        [&](size_t from, size_t to) {
            for (size_t i = from; i < to; ++i)
                if (made[i]) notices::ScanDelCallHistoryInfo.post(*context_.nc, std::move(made[i]));
            // The calls made so far hold what they need of their rows' values: those go as the
            // calls come, rather than both being held to the end.
            for (size_t t = 0; t < tables.size(); ++t)
                if (to > firstRowOf[t]) releaseValuesBefore(tables[t], to - firstRowOf[t]);
        });
    releaseTables(std::move(tables));
    postProgress(context_, 90);
}

}  // namespace carve
