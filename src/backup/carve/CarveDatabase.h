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

    // Visits the pages in the carver's order, each entered before onPage(index, start) runs:
    // upwards from index 0 to n - 1, or downwards from index n to 1.
    void walkPages(bool upwards, const std::function<void(int64_t index, int64_t start)>& onPage);

    CarveFile& file() { return file_; }
    int64_t pageSize() const { return layout_.pageSize; }
    int64_t pageCount() const { return layout_.pageCount; }
    // The header's write version named the write-ahead log before the journal was folded.
    bool writeAheadLog() const { return writeAheadLog_; }

    // Brings page index into memory with its neighbours and returns its start.
    int64_t enterPage(int64_t index, bool upwards);
    // True for a page on the free list (index counted from 0).
    bool isFreePage(int64_t index) const {
        return index >= 0 && index < static_cast<int64_t>(freePage_.size()) && freePage_[static_cast<size_t>(index)];
    }

private:
    void readFreeList();

    CarveFile file_;
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
