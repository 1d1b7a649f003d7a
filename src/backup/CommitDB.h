// Folds a SQLite database's write-ahead journal into its main file before a reader opens it.
#pragma once

#include <string>

// Opens the existing database at path read-write (never creating one, never through a link), switches it to
// write-ahead logging, checkpoints the journal into the file and closes it. A missing or
// unreadable file is left alone; a failed checkpoint prints "Failed to commit". It writes to
// path: a backup's database is folded only in its private copy (PreparedDatabase.h).
// True once the journal is folded (or there was none to fold).
bool commitDB(const std::string& path);

// Whether the database at path (a file of the program's own: it may be written) reads whole: SQLite opens it and its
// quick check finds every page of its trees sound. A journal SQLite cannot use (one whose header names another page
// size than the file's, or whose frames put a page no tree can read) leaves a database that fails it.
bool databaseReadsWhole(const std::string& path);
