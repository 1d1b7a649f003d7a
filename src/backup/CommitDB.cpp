#include "backup/CommitDB.h"

#include "platform/LogCategories.h"

#include <sqlite3.h>
#include <sys/stat.h>

void commitDB(const std::string& path) {
    // A regular file only: a link would be written through, and SQLite would wait on a FIFO.
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return;
    sqlite3* db = nullptr;
    // Without SQLITE_OPEN_CREATE: a mistaken path must not leave an empty database behind.
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return;
    }
    if (sqlite3_exec(db, "PRAGMA journal_mode=WAL;", nullptr, nullptr, nullptr) == SQLITE_OK) {
        if (sqlite3_wal_checkpoint(db, nullptr) != SQLITE_OK) {
            qCInfo(lcBackup, "Failed to commit");
        }
    }
    sqlite3_close(db);
}
