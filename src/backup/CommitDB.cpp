#include "backup/CommitDB.h"

#include "platform/LogCategories.h"

#include <cstring>
#include <sqlite3.h>
#include <sys/stat.h>

bool commitDB(const std::string& path) {
    // A regular file only: a link would be written through, and SQLite would wait on a FIFO.
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    sqlite3* db = nullptr;
    // Without SQLITE_OPEN_CREATE: a mistaken path must not leave an empty database behind.
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    bool folded = false;
    if (sqlite3_exec(db, "PRAGMA journal_mode=WAL;", nullptr, nullptr, nullptr) == SQLITE_OK) {
        folded = sqlite3_wal_checkpoint(db, nullptr) == SQLITE_OK;
        if (!folded) qCInfo(lcBackup, "Failed to commit");
    }
    sqlite3_close(db);
    return folded;
}

bool databaseReadsWhole(const std::string& path) {
    struct stat info {};
    if (::lstat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) return false;
    sqlite3* db = nullptr;
    // Read-write like the fold (a file in write-ahead mode wants its "-shm"), never created.
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return false;
    }
    // quick_check(1): the first problem is enough; a sound file answers the one row "ok".
    sqlite3_stmt* check = nullptr;
    bool whole = sqlite3_prepare_v2(db, "PRAGMA quick_check(1)", -1, &check, nullptr) == SQLITE_OK &&
                 sqlite3_step(check) == SQLITE_ROW;
    if (whole) {
        const auto* answer = reinterpret_cast<const char*>(sqlite3_column_text(check, 0));
        whole = answer && std::strcmp(answer, "ok") == 0;
    }
    sqlite3_finalize(check);
    sqlite3_close(db);
    return whole;
}
