// A database file that SQLite reads through a descriptor we opened and checked, and can never
// write. Connections go through a small VFS of our own, registered once and never the default:
// its main database is the descriptor (a file swapped in at the path later is never opened),
// it reports the file immutable (SQLite then takes no locks, looks for no "-journal", "-wal"
// or "-shm" beside it and reads a write-ahead-logging file as it stands), refuses to open any
// other file under the database's name and cannot write, truncate or delete. SQLite's own
// temporary files (large sorts) still go to the default VFS, as for any connection.
#pragma once

#include <sqlite3.h>
#include <string>

class ReadOnlyDatabaseFile {
public:
    // Takes fd, a regular file open for reading, and closes it with the object; label (the
    // file's path) names the database in SQLite's messages.
    ReadOnlyDatabaseFile(int fd, const std::string& label);
    ~ReadOnlyDatabaseFile();
    ReadOnlyDatabaseFile(const ReadOnlyDatabaseFile&) = delete;
    ReadOnlyDatabaseFile& operator=(const ReadOnlyDatabaseFile&) = delete;

    // Opens a new read-only connection to the file with flags added to SQLITE_OPEN_READONLY
    // (SQLITE_OPEN_NOMUTEX...). Each connection reads through its own duplicate of the
    // descriptor, so it may outlive this object. Null when SQLite cannot open it.
    sqlite3* open(int flags) const;

private:
    std::string name_;  // the name the VFS knows the descriptor by
    int fd_;
};
