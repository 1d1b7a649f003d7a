// The frames of a database's write-ahead log ("-wal"), as the carve reads them: each frame is an
// image of one page of the database, written by a transaction. A phone's databases run with such
// a log, and a backup keeps it beside the database: the rows deleted since the last checkpoint
// are deleted only in the log's newer images, and older images of the same pages still hold them.
//
// Only the frames SQLite itself would take are read: those of the log's current run (their salts
// the header's, their checksums continuing the header's) that a committed transaction wrote.
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
    int64_t framesInFile = 0;      // whole frames the file holds, taken or not
    int64_t pagesAfterCommit = 0;  // the database's size in pages after the last commit
};

// Reads the log's header and frames. A file that is no log, or whose page size is not
// pageSize (when pageSize is given), gives no frames.
WriteAheadLog readWriteAheadLog(CarveFile& file, int64_t pageSize = 0);

}  // namespace carve
