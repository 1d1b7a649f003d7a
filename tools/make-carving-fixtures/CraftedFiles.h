// Database files crafted to make a carve work hard, for the carve fuzzer's corpus: chains that
// loop (overflow chains that come back to a page, freeblock lists that go back over a block, a
// free list whose trunk names itself, an interior page that is its own child), a database with
// deletions still in its write-ahead log, the log appended after the file as the fuzz target
// reads its input, the same with logs SQLite cannot use (CraftedLog.h), and schemas that are
// hard to read. A sound carve takes time in proportion to
// each file's size.
#pragma once

#include <string>

namespace carvefix {

// Writes the crafted files into folder ("crafted-..."), with pages of pageSize bytes, the crafted
// schemas among them. False when one cannot be written.
bool writeCraftedFiles(const std::string& folder, int pageSize);

// Call histories whose schemas a carver must read with care ("crafted-schema-..."): names quoted
// every way, columns in another order and added by ALTER TABLE, a CREATE TABLE that does not
// parse, and a write-ahead log (after the file) whose schema disagrees with the file's.
bool writeCraftedSchemas(const std::string& folder, int pageSize);

}  // namespace carvefix
