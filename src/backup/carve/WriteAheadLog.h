// The frames of a database's write-ahead log ("-wal"), as the carve reads them: each frame is an
// image of one page of the database, written by a transaction. A phone's databases run with such
// a log, and a backup keeps it beside the database: the rows deleted since the last checkpoint
// are deleted only in the log's newer images, and older images of the same pages still hold them.
//
// The frames SQLite itself would take are those of the log's current run (their salts the
// header's, their checksums continuing the header's) that a committed transaction wrote. A log
// that was checkpointed and begun again is written over from its start, and is not cut short:
// past the frames of its current run, it keeps frames of its earlier runs (other salts), older
// images of their pages that hold rows deleted since. Those are read too, apart.
#pragma once

#include "backup/carve/CarveFile.h"

#include <cstdint>
#include <vector>

namespace carve {

struct LogFrame {
    int64_t page = 0;    // the page it is an image of, counted from 1
    int64_t offset = 0;  // where the page's bytes lie in the log file
    // The index, among the log's frames, of the frame that committed its transaction: the images
    // written up to there are the database as that transaction left it.
    int64_t commit = 0;
};

struct WriteAheadLog {
    int64_t pageSize = 0;          // 0 when the file is no log
    std::vector<LogFrame> frames;  // of committed transactions, in the log's order
    // Frames of the log's earlier runs, in the file's order: images of their pages older than
    // the database as the main file holds it, of no state the current run knows (commit is 0).
    // A frame is taken where its checksum continues the one before it of the same run, or where
    // that one was written over (the first of a run left, whose chain cannot be checked).
    std::vector<LogFrame> earlier;
    int64_t framesInFile = 0;      // whole frames the file holds, taken or not
    int64_t pagesAfterCommit = 0;  // the database's size in pages after the last commit
};

// Reads the log's header and frames. A file that is no log, or whose page size is not
// pageSize (when pageSize is given), gives no frames.
WriteAheadLog readWriteAheadLog(CarveFile& file, int64_t pageSize = 0);

}  // namespace carve
