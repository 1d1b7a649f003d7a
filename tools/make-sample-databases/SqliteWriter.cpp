#include "SqliteWriter.h"

#include <cstdio>
#include <unistd.h>

namespace sampledb {

void removeDatabaseFiles(const std::string& path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) ::unlink((path + suffix).c_str());
}

SqliteWriter::SqliteWriter(const std::string& path, bool writeAheadLog) : path_(path) {
    removeDatabaseFiles(path);
    if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "cannot create %s: %s\n", path.c_str(), db_ ? sqlite3_errmsg(db_) : "out of memory");
        sqlite3_close(db_);
        db_ = nullptr;
    }
    if (writeAheadLog) exec("PRAGMA journal_mode=WAL;");
}

SqliteWriter::~SqliteWriter() {
    sqlite3_close(db_);
    // A backup holds the database and its journal, not the shared-memory index.
    if (keptWal_) ::unlink((path_ + "-shm").c_str());
}

void SqliteWriter::exec(const std::string& sql) {
    if (!db_) return;
    char* error = nullptr;
    if (sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, &error) != SQLITE_OK) {
        std::fprintf(stderr, "sql failed: %s\n  in: %.200s\n", error ? error : "?", sql.c_str());
        ok_ = false;
    }
    sqlite3_free(error);
}

void SqliteWriter::keepFollowingRowsInWal() {
    if (!db_) return;
    exec("PRAGMA journal_mode=WAL;");
    // What was written before is the main file's, as a phone's last checkpoint left it.
    exec("PRAGMA wal_checkpoint(TRUNCATE);");
    exec("PRAGMA wal_autocheckpoint=0;");
    int applied = 0;
    sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, &applied);
    if (!applied) ok_ = false;
    keptWal_ = true;
}

SqliteWriter::Statement::Statement(SqliteWriter& owner, const std::string& sql) : owner_(owner) {
    if (!owner.db_) return;
    if (sqlite3_prepare_v2(owner.db_, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK) {
        std::fprintf(stderr, "prepare failed: %s\n  in: %.200s\n", sqlite3_errmsg(owner.db_), sql.c_str());
        owner.ok_ = false;
        stmt_ = nullptr;
    }
}

SqliteWriter::Statement::~Statement() { sqlite3_finalize(stmt_); }

void SqliteWriter::Statement::bind(int index, std::nullptr_t) { sqlite3_bind_null(stmt_, index); }
void SqliteWriter::Statement::bind(int index, int value) { sqlite3_bind_int(stmt_, index, value); }
void SqliteWriter::Statement::bind(int index, int64_t value) { sqlite3_bind_int64(stmt_, index, value); }
void SqliteWriter::Statement::bind(int index, double value) { sqlite3_bind_double(stmt_, index, value); }
void SqliteWriter::Statement::bind(int index, const std::string& value) {
    sqlite3_bind_text(stmt_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
}
void SqliteWriter::Statement::bind(int index, const char* value) {
    if (value)
        sqlite3_bind_text(stmt_, index, value, -1, SQLITE_TRANSIENT);
    else
        sqlite3_bind_null(stmt_, index);
}
void SqliteWriter::Statement::bind(int index, const std::vector<uint8_t>& value) {
    if (value.empty())
        sqlite3_bind_null(stmt_, index);
    else
        sqlite3_bind_blob(stmt_, index, value.data(), static_cast<int>(value.size()), SQLITE_TRANSIENT);
}

void SqliteWriter::Statement::step() {
    int rc = sqlite3_step(stmt_);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW) {
        std::fprintf(stderr, "insert failed: %s\n", sqlite3_errmsg(owner_.db_));
        owner_.ok_ = false;
    }
}

}  // namespace sampledb
