// One database file as every carver walks it: found in the backup folder under its fixed
// name, opened as it lies (never copied, its journal never folded in), its header read, its
// pages visited one at a time.
#pragma once

#include "backup/carve/CarveContext.h"
#include "backup/carve/CarveFile.h"
#include "backup/carve/CarvePrimitives.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace carve {

// How much of a database file a carve looked through: every whole page, but for those it names
// with the reason it left them. A carve that reports fewer pages than the file has skipped part
// of it, however sound the records that came out look.
struct CarveCoverage {
    std::string file;          // the database's path
    int64_t pages = 0;         // whole pages in the file
    int64_t examined = 0;      // pages the carve read and looked through
    int64_t headerPages = 0;   // left: the first page, the file's header and its table definitions
    int64_t partialBytes = 0;  // bytes past the last whole page, which hold no page
    bool complete() const { return examined + headerPages == pages; }
};

class CarveDatabase {
public:
    // The first of names that exists as a file in folder; empty when none does.
    static std::string existingFile(const std::string& folder, std::initializer_list<const char*> names);

    // Opens the file read-only as it lies and reads its header and free list. False when it
    // does not open.
    bool open(const std::string& path, const CarveContext& context);
    // Opens the first of names that exists in the backup folder. False for an empty folder
    // path, a missing file (logged through the context when missingLog is given) or a file that
    // does not open.
    bool openIn(const std::string& folder, std::initializer_list<const char*> names, const CarveContext& context,
                const char* missingLog = nullptr);

    CarveFile& file() { return file_; }
    int64_t pageSize() const { return layout_.pageSize; }
    int64_t pageCount() const { return layout_.pageCount; }
    // The header's write version named the write-ahead log before the journal was folded.
    bool writeAheadLog() const { return writeAheadLog_; }

    // What the carve of this file looked through so far; a carve that walked the pages records
    // it here, and it goes to the context's coverage observer, when there is one.
    const CarveCoverage& coverage() const { return coverage_; }
    void recordCoverage(int64_t examined, int64_t headerPages);

    // True for a page on the free list (index counted from 0).
    bool isFreePage(int64_t index) const {
        return index >= 0 && index < static_cast<int64_t>(freePage_.size()) && freePage_[static_cast<size_t>(index)];
    }

private:
    void readFreeList();

    CarveFile file_;
    const CarveContext* context_ = nullptr;
    CarveCoverage coverage_;
    PageLayout layout_;
    bool writeAheadLog_ = false;
    std::vector<bool> freePage_;  // by page index
};

// A column's value as the record classes hold text: the value text made into a string.
std::string textOf(const FieldValue& value);
// A timestamp column as date text: the value text as a 32-bit number (notes, calendar, calls)
// or a 64-bit one (messages), through the date-text helper of the given file type.
std::string dateTextOf32(const FieldValue& value, bool fileType);
std::string dateTextOf64(const FieldValue& value, bool fileType);
// Number of characters of a UTF-8 text.
size_t characterCount(const std::string& text);

// Posts "ScanProgressInfo" with the carver's value.
void postProgress(const CarveContext& context, int value);

}  // namespace carve
