// Rebuilds deleted notes from the raw pages of a backup's notes database: head rows (title,
// date, note id) and body rows (note id, text) are carved separately and joined by note id after
// the walk. Each joined note is posted as "ScanDelNoteInfo", then "ScanProgressInfo" with 85.
#pragma once

#include "backup/carve/CarveContext.h"

#include <cstdint>
#include <string>

namespace carve {

class CarveDatabase;
class CarveFile;

class DelNoteCarver {
public:
    explicit DelNoteCarver(CarveContext& context) : context_(context) {}

    void scanDelNoteThread(const std::string& backupFolder);

    // Byte tests of the note rows.
    static int CheckTitlePostion(CarveFile& file, int64_t pos);
    static int64_t checkTitleAlterable(CarveFile& file, int64_t pos, int postion);
    static int64_t CheckAlterSummary(CarveFile& file, int64_t pos, int version);
    static int64_t bIsAlterbleDBFileVersion(CarveFile& file, int64_t pos, int version);
    static bool bIsbSummeryChanged(CarveFile& file, int64_t pos);
    static bool bIsbTitleChanged(CarveFile& file, int64_t pos);
    static int CheckNoteBodyMark(CarveFile& file, int64_t pos);
    // The body's text without its markup.
    static std::string plainNoteText(std::string text);

private:
    void carveHeadsRollback(CarveDatabase& db, int64_t P);
    void carveHeadsWriteAhead(CarveDatabase& db, int64_t P);
    void carveBodies(CarveDatabase& db, int64_t P);
    void joinAndPost();

    CarveContext& context_;
    int64_t pageSize_ = 0;
};

}  // namespace carve
