// One database as every carver walks it: found in the backup folder under its fixed name,
// opened as it lies with its write-ahead log beside it (both only read, never copied or folded),
// its header read, every page image it holds (see PageImages) visited one at a time.
#pragma once

#include "backup/carve/CarveContext.h"
#include "backup/carve/CarveFile.h"
#include "backup/carve/DatabaseHeader.h"
#include "backup/carve/PageImages.h"

#include <functional>
#include <initializer_list>
#include <string>
#include <utility>
#include <vector>

namespace carve {

// How much of a database a carve looked through: every whole page of the file, every frame of
// its write-ahead log that a committed transaction wrote and every committed frame the log kept
// of its earlier runs, but for those it names with the reason it left them. A carve that reports fewer than that
// skipped part of the database, however sound the records that came out look.
struct CarveCoverage {
    std::string file;           // the database's path
    int64_t pages = 0;          // whole pages in the file
    int64_t frames = 0;         // frames of committed transactions in its write-ahead log
    int64_t earlierFrames = 0;  // of those, frames of the log's earlier runs (their rows carved as freed ones)
    int64_t examined = 0;       // pages and frames the carve read and looked through
    int64_t headerPages = 0;    // left: images of the first page (the file's header and its table definitions)
    int64_t partialBytes = 0;   // bytes past the last whole page, which hold no page
    int64_t framesLeft = 0;     // left: frames of the log that no committed transaction of any run wrote
    // Which layout of each table the carve read rows by (see FileShapes), a line each.
    std::vector<std::string> layouts;
    bool complete() const { return examined + headerPages == pages + frames; }
};

class CarveDatabase {
public:
    // The first of names that is in folder (a link there too, which open() then refuses); empty
    // when none is.
    static std::string existingFile(const std::string& folder, std::initializer_list<const char*> names);

    // Opens the file read-only as it lies, with the frames of its "-wal" beside it when there is
    // one, and reads its header and the free list of the database as folded. Neither is opened
    // through a symbolic link. False when the file does not open.
    bool open(const std::string& path, const CarveContext& context);
    // Opens the first of names that exists in the backup folder. False for an empty folder
    // path, a missing file (logged through the context when missingLog is given) or a file that
    // does not open.
    bool openIn(const std::string& folder, std::initializer_list<const char*> names, const CarveContext& context,
                const char* missingLog = nullptr);

    // The file's pages, then the log's frames, as one run of page images.
    CarveFile& file() { return file_; }
    int64_t pageSize() const { return layout_.pageSize; }
    // The bytes of a page that hold its content: the page less the bytes the header reserves at
    // the end of each page (for an extension's own use; no cell, freeblock or overflow content
    // lies there).
    int64_t usableSize() const { return layout_.pageSize - reservedBytes_; }
    // Whether page (counted from 1) is a pointer-map page of an auto-vacuum database: five-byte
    // entries naming each later page's parent, no cells.
    bool pointerMapPage(int64_t page) const;
    const PageImages& images() const { return images_; }
    int64_t imageCount() const { return images_.count(); }
    // The header's write version named the write-ahead log before the journal was folded.
    bool writeAheadLog() const { return writeAheadLog_; }
    // When the backup holding the file was made, in seconds from 1970: the context's time, else
    // the date the backup folder gives; or the time the file was last changed, when later.
    int64_t backupTime() const { return backupTime_; }
    // The latest time, in seconds from 1970, a row of the file can hold (see latestPlausibleTime).
    int64_t latestTime() const;

    // What the carve of this file looked through so far; a carve that walked the pages records
    // it here, and it goes to the context's coverage observer, when there is one.
    const CarveCoverage& coverage() const { return coverage_; }
    void recordCoverage(int64_t examined, int64_t headerPages);
    // Which layout of a table the carve read its rows by (see FileShapes), told to the
    // context's observer; without one, logged where the file's own layout did not serve.
    void noteLayout(const std::string& note, bool problem) const;
    // One more page image looked through, told to the context's progress (from any carving thread).
    void pageLookedThrough() const {
        if (context_ && context_->progress) context_->progress->lookedThrough.fetch_add(1, std::memory_order_relaxed);
    }
    // The deleted rows the pages gave, told to the context's progress: the carver makes its
    // records of them next.
    void deletedRowsFound(int64_t rows) const {
        if (context_ && context_->progress) context_->progress->deletedRows = rows;
    }

    // True for a page image none of whose rows the database as folded holds where they lie: a
    // page on its free list, or an older image of a page (image counted from 0).
    bool rowsGone(int64_t image) const {
        if (!images_.current(image)) return true;
        const int64_t index = images_.pageOf(image) - 1;
        return index < static_cast<int64_t>(freePage_.size()) && freePage_[static_cast<size_t>(index)];
    }

    // Whether the database as folded keeps page (counted from 1) as a leaf of its free list,
    // whose bytes nothing wrote since it was freed (a trunk of the list keeps the list in them).
    bool freeLeaf(int64_t page) const {
        return page >= 1 && page <= static_cast<int64_t>(freePage_.size()) &&
               freePage_[static_cast<size_t>(page - 1)] && !trunkPage_[static_cast<size_t>(page - 1)];
    }

    // The free leaf the database as folded freed page (a free leaf) with, as the next page of
    // one chain: its bytes are that chain's. 0 where the free list does not tell so.
    int64_t freedWith(int64_t page) const {
        return page >= 1 && page <= static_cast<int64_t>(freedWith_.size()) ? freedWith_[static_cast<size_t>(page - 1)]
                                                                            : 0;
    }

private:
    void readWriteAheadLog(const std::string& path);
    void readHeader();
    void readFreeList();
    void noteFreedWith(int64_t before, int64_t leaf);

    CarveFile file_;
    const CarveContext* context_ = nullptr;
    CarveCoverage coverage_;
    PageLayout layout_;
    PageImages images_;
    bool writeAheadLog_ = false;
    int64_t backupTime_ = 0;
    int64_t reservedBytes_ = 0;    // at the end of each page (the header's byte 20)
    bool autoVacuum_ = false;      // the header names a largest root page (byte 52): pointer-map pages
    std::vector<bool> freePage_;   // by page of the database as folded, counted from 0
    std::vector<bool> trunkPage_;  // likewise: the free list's trunks, free pages too
    // Likewise, see freedWith(); empty when no leaf was.
    std::vector<uint32_t> freedWith_;
};

// Number of characters of a UTF-8 text.
size_t characterCount(const std::string& text);

// Posts "ScanProgressInfo" with the carver's value.
void postProgress(const CarveContext& context, int value);

}  // namespace carve
