#include "backup/carve/DelCalenderCarver.h"

#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveRowTests.h"
#include "model/PRCalenderNode.h"

namespace carve {

namespace {
const std::string kPosted = "scanDelCalenderInfo";
const char* const kCalendar = "2041457d5fe04d39d0ab481178355df6781e6858";
const uint8_t kEventA[6] = {0x08, 0x08, 0x08, 0x08, 0x08, 0x08};
const uint8_t kEventB[6] = {0x08, 0x08, 0x00, 0x08, 0x08, 0x08};
}  // namespace

void DelCalenderCarver::ScanDelCalenderThread(const std::string& backupFolder) {
    CarveDatabase db;
    if (!db.openIn(backupFolder, {kCalendar}, context_)) return;
    pageSize_ = db.pageSize();
    const bool variantB = db.writeAheadLog();
    db.walkPages(/*upwards*/ true, [&](int64_t, int64_t P) {
        if (getPageType(db.file(), P) != 1) return;
        if (variantB)
            carveWriteAheadPage(db, P);
        else
            carveRollbackPage(db, P);
    });
    postProgress(context_, 100);
}

void DelCalenderCarver::carveRollbackPage(CarveDatabase& db, int64_t P) {
    CarveFile& file = db.file();
    int K = db.pageNumber(P + 8);
    if (bcheckSubStringIsValid(file, P + K + 14, 12, 3, 12) != 1) return;
    FieldValue value;
    const uint8_t* page = file.held(P, static_cast<size_t>(pageSize_));
    for (int64_t j = P; j < P + pageSize_; ++j) {
        if (page && page[j - P] != 0x08 && page[j - P] != 0x00) continue;  // the common case, quickly
        const uint8_t* T = file.bytes(j, 6);
        if ((T[0] != 0x08 && T[0] != 0x00) || bCheckDataIsValid(T, 6, 3) != 1) continue;
        bool d = DescriptionIsAlterbleDBFile(file, j - 9, 0);
        RecordCursor rec{file, d ? j - 15 : j - 14, d ? 32 : 31, 3};
        rec.valueCapacity = pageSize_;
        auto item = std::make_shared<PRCalenderNode>();
        for (int column = 1; column <= (d ? 7 : 6); ++column) {
            if (d && (column == 4 || column == 6)) continue;
            if (column == 3 && d)
                AnalyseAlterbleDB(rec, column, value);
            else
                AnalyseDBDataFile(rec, column, value);
            if (column == 1) item->setCalTitle(textOf(value));
            if (column == 2) item->setLocation(textOf(value));
            if (column == 3) item->setCalNote(textOf(value));
            if (column == (d ? 5 : 4)) item->setStartDate(dateTextOf32(value, true));
            if (column == (d ? 7 : 6)) item->setEndDate(dateTextOf32(value, true));
        }
        if (!db.isLiveRow(j)) context_.nc->postNotificationName(kPosted, item);
    }
}

void DelCalenderCarver::carveWriteAheadPage(CarveDatabase& db, int64_t P) {
    CarveFile& file = db.file();
    int K = db.pageNumber(P + 8);
    if (bcheckSubStringIsValid(file, P + K + 14, 10, 3, 12) != 1) return;
    FieldValue value;
    const uint8_t* page = file.held(P, static_cast<size_t>(pageSize_));
    for (int64_t j = P; j < P + pageSize_; ++j) {
        if (page && page[j - P] != 0x08) continue;  // the common case, quickly
        const uint8_t* T = file.bytes(j, 6);
        if (!std::equal(T, T + 6, kEventA) && !std::equal(T, T + 6, kEventB)) continue;
        int base = context_.state.currentNodeIsiOS6Version ? 51 : 41;
        bool d = DescriptionIsAlterbleDBFile(file, j - 9, 1);
        int64_t o = d ? j - 12 : j - 11;
        int h = d ? 16 : 15;
        if (d) base += 1;
        bool tt = TitileIsAlterbleDBFile(file, o);
        int F, B;
        if (tt) {
            F = accquireFieldLength(file, j - 13, 1);
            B = base + 1;
            h += 1;
        } else {
            F = accquireFieldLength(file, j - 12, 1);
            B = base;
        }
        int L = F >= B ? F : B + (unique_identifAlter(file, j + 16, 1) ? 1 : 0);
        RecordCursor rec{file, j - h, L, 4};
        rec.valueCapacity = pageSize_;
        auto item = std::make_shared<PRCalenderNode>();
        for (int column = 1; column <= 8; ++column) {
            if (d && column == 4) continue;
            bool twoByte = (column == 1 && tt) || (column == 3 && d);
            if (twoByte)
                AnalyseAlterbleDB(rec, column, value);
            else
                AnalyseDBDataFile(rec, column, value);
            if (column == 1) item->setCalTitle(textOf(value));
            if (column == 3) item->setCalNote(textOf(value));
            if (column == (d ? 5 : 4)) item->setStartDate(dateTextOf32(value, true));
            if (column == (d ? 7 : 6)) item->setEndDate(dateTextOf32(value, true));
        }
        if (!db.isLiveRow(j)) context_.nc->postNotificationName(kPosted, item);
    }
}

}  // namespace carve
