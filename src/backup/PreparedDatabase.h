// How the readers open a backup's database without ever writing to the backup. Opening a
// database the usual way may write to it: SQLite folds a write-ahead journal into the file and
// rewrites its header, rolls back a journal left beside it, and creates "-journal", "-wal" and
// "-shm" files next to it (or, through a symbolic link, writes a file elsewhere). So a database
// is read one of two ways:
//
// - Where it lies, when no "-wal" journal with anything in it stands beside it (what backups
//   nearly always hold). The file is opened once through the checked opening (a link, a FIFO
//   or a device in its place is refused, never followed or opened), and every
//   connection reads that descriptor through a VFS that cannot write and takes the file as
//   immutable (ReadOnlyDatabaseFile.h): nothing appears beside it, its bytes and times stay as
//   they were, and a file swapped in at the path later is never read. Large files cost no copy
//   and no disk space.
// - From a private copy, when a journal holds rows: the database and its "-wal" are copied into
//   the private temporary folder and the journal is folded there, so every committed row is
//   seen. Copies live in <private temporary folder>/databases/<pid>-XXXXXX/ and are removed when
//   the last holder lets go; copies left by a process that no longer runs are removed by the
//   next preparation. A journal SQLite cannot use (its header names another page size than the
//   file's, or its frames leave a page no tree can read) never empties the database: the copy is
//   then the main file as it stands, the state of the last checkpoint, and the journal is named
//   as set aside (in the log, and to whoever asks journalSetAside).
//
// The deleted-record carvers read the original file itself, unchanged.
#pragma once

#include "backup/ReadOnlyDatabaseFile.h"

#include <memory>
#include <mutex>
#include <sqlite3.h>
#include <string>
#include <vector>

class PreparedDatabase {
public:
    // The database at original prepared for reading, shared with every other holder of the
    // same unchanged original; null when original is no regular file or cannot be opened or
    // copied (a link, FIFO or device in its place is refused, never followed or opened; a
    // "-wal" journal that is a link is left out).
    static std::shared_ptr<PreparedDatabase> prepare(const std::string& original);

    ~PreparedDatabase();
    PreparedDatabase(const PreparedDatabase&) = delete;
    PreparedDatabase& operator=(const PreparedDatabase&) = delete;

    // A new connection to the database, for one thread at a time, with flags such as
    // SQLITE_OPEN_NOMUTEX: read-only to the original itself, or read-write to the private copy
    // (it is ours). Null when SQLite cannot open it. Connections may be opened on several
    // threads at once.
    sqlite3* open(int flags) const;
    // True when the original is read where it lies, without a copy.
    bool readsInPlace() const { return file_ != nullptr; }
    // True when the "-wal" journal beside the original could not be used: what is read is the
    // main file as it stands.
    bool journalSetAside() const { return journalSetAside_; }
    // Whether a preparation of the database at original, as it is now, sets its journal aside:
    // answered from a preparation made before of the same state, else prepared now.
    static bool journalSetAside(const std::string& original);
    // The originals whose journal the preparations of this process set aside, in path order.
    static std::vector<std::string> journalsSetAside();
    const std::string& original() const { return original_; }

    // The folder the copies are made in.
    static std::string copiesFolder();

private:
    PreparedDatabase() = default;
    // Makes the private copy and folds its journal; false when it cannot be made.
    bool copy();

    std::string original_;
    std::string folder_;                          // the copy's own folder, removed with it
    std::string path_;                            // the copy
    std::unique_ptr<ReadOnlyDatabaseFile> file_;  // the original, when read in place
    bool journalSetAside_ = false;
};
