// Folds a SQLite database's write-ahead journal into its main file before a reader opens it.
#pragma once

#include <string>

// Opens the existing database at path read-write (never creating one, never through a link), switches it to
// write-ahead logging, checkpoints the journal into the file and closes it. A missing or
// unreadable file is left alone; a failed checkpoint prints "Failed to commit". It writes to
// path: a backup's database is folded only in its private copy (PreparedDatabase.h).
void commitDB(const std::string& path);
