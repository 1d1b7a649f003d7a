#include "backup/carve/DelBookMarkCarver.h"

#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveRowTests.h"
#include "model/PRBookMarkNode.h"

#include <cstring>

namespace carve {

namespace {
const std::string kPosted = "scanDelBookMarkInfo";
const char* const kBookmarks = "d1f062e2da26192a6625d968274bfda8d07821e4";
const char* const kBookmarksOld = "04cc352fd9943f7c0c3f0781d4834fa137775761";

bool opensWithFourOnes(const uint8_t* t) { return std::memcmp(t, "\x01\x01\x01\x01", 4) == 0; }
bool opensWithFourOnes55(const uint8_t* t) { return std::memcmp(t, "\x01\x01\x01\x01\x55", 5) == 0; }
bool isSixOnes(const uint8_t* t) { return std::memcmp(t, "\x01\x01\x01\x01\x01\x01", 6) == 0; }
bool isFiveOnes55(const uint8_t* t) { return std::memcmp(t, "\x01\x01\x01\x01\x01\x55", 6) == 0; }
}  // namespace

void DelBookMarkCarver::ScanDelBookMarkThread(const std::string& backupFolder) {
    CarveDatabase db;
    if (!db.openIn(backupFolder, {kBookmarks, kBookmarksOld}, context_)) return;
    pageSize_ = db.pageSize();
    db.walkPages(/*upwards*/ true, [&](int64_t, int64_t P) {
        if (getPageType(db.file(), P) == 1) carvePage(db, P);
    });
    postProgress(context_, 95);
}

void DelBookMarkCarver::carvePage(CarveDatabase& db, int64_t P) {
    CarveFile& file = db.file();
    int K = db.pageNumber(P + 8);
    if (K + 17 >= pageSize_ || bcheckSubStringIsValid(file, P + K + 9, 8, 5, 8) != 1) return;
    int M;
    switch (bBookMarkTableAlter(file, P + K + 3)) {
    case 1: M = 19; break;
    case 2: M = 24; break;
    default: M = 11; break;
    }
    bool decided = false;
    int64_t last = 0;
    for (int64_t j = P; j < P + pageSize_; ++j) {
        const uint8_t* T = file.bytes(j, 6);
        if (!opensWithFourOnes(T)) continue;
        if (M == 19 && !opensWithFourOnes55(T) && !isSixOnes(T)) continue;
        if (M == 11) {
            carveRecord(db, j, M);
            continue;
        }
        if (!decided) {
            // The first candidates tell the two bookmark table layouts apart.
            int nineteen = -1;
            if (M == 19) {
                nineteen = getMarkBookLength(file, j - 6, 19);
                if (nineteen == 1) decided = true;
            }
            if (nineteen == -1 || M == 24) {
                switch (getMarkBookLength(file, j - 6, 24)) {
                case -1: M = 19; break;
                case 1:
                    M = 24;
                    decided = true;
                    break;
                default: M = 24; break;
                }
            }
        }
        if (isSixOnes(T)) last = j;
        bool echo = M == 19 ? opensWithFourOnes55(T) && j - last < 19
                            : (isFiveOnes55(T) && j - last <= 23) || (opensWithFourOnes55(T) && j - last < 24);
        if (!echo) carveRecord(db, j, M);
    }
}

void DelBookMarkCarver::carveRecord(CarveDatabase& db, int64_t j, int M) {
    CarveFile& file = db.file();
    int64_t u = TitleAndUrlIsAlterbleDBFile(file, j - 3);
    int64_t L = M, r = j - 9;
    if (u == 1) {
        L = M + 1;
        r = j - 10;
    } else if (u == 2) {
        L = M + 2;
        r = j - 11;
    }
    if (IsExtra_AttributeAlter(file, j + 11, M)) L += 1;
    if (IsServer_IDAlter(file, j + 5, M)) L += 1;
    RecordCursor rec{file, r, L, 3};
    rec.valueCapacity = pageSize_;
    FieldValue value;
    auto bookmark = std::make_shared<PRBookMarkNode>();
    for (int column = 1; column <= 3; ++column) AnalyseDBDataFile(rec, column, value);
    if (u != 0)
        AnalyseAlterbleDB(rec, 4, value);
    else
        AnalyseDBDataFile(rec, 4, value);
    if (!value.text().empty()) bookmark->setBookMarkTitle(textOf(value));
    if (u == 0)
        AnalyseDBDataFile(rec, 5, value);
    else if (u == 1)
        AnalyseDBDataFile(rec, 6, value);
    else
        AnalyseAlterbleDB(rec, 6, value);
    if (!value.text().empty()) bookmark->setBookMarkURL(textOf(value));
    const std::string& title = bookmark->bookMarkTitle();
    if (title == "Root" || title == "com.apple.ReadingList" || db.isLiveRow(j)) return;
    context_.nc->postNotificationName(kPosted, bookmark);
}

}  // namespace carve
