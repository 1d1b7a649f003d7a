#include "FixtureDatabase.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <sqlite3.h>

namespace carvefix {

FixtureDatabase::FixtureDatabase(const std::string& path, int pageSize, bool writeAheadLog,
                                 const std::string& tableSuffix)
    : path_(path), suffix_(tableSuffix) {
    if (!suffix_.empty()) {
        FILE* existing = std::fopen(path.c_str(), "rb");
        if (!existing) {
            ok_ = false;
            return;
        }
        std::fclose(existing);
        open();
        // The layouts that need the write-ahead log live in files whose header names it.
        if (writeAheadLog) exec("PRAGMA journal_mode=WAL;");
        return;
    }
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::remove((path + suffix).c_str());
    open();
    exec("PRAGMA page_size=" + std::to_string(pageSize) + ";");
    if (writeAheadLog) exec("PRAGMA journal_mode=WAL;");
}

FixtureDatabase::~FixtureDatabase() { close(); }

std::string FixtureDatabase::withSuffix(const std::string& sql) const {
    if (suffix_.empty()) return sql;
    // The name after each of these words is one of this writer's tables or indexes.
    std::string out;
    size_t at = 0;
    while (at < sql.size()) {
        size_t best = std::string::npos, length = 0;
        for (const char* word : {"CREATE TABLE ", "CREATE INDEX ", "INSERT INTO ", "DELETE FROM ", " ON "}) {
            size_t found = sql.find(word, at);
            if (found < best) best = found, length = std::strlen(word);
        }
        if (best == std::string::npos) break;
        size_t name = best + length, end = name;
        while (end < sql.size() && (std::isalnum(static_cast<unsigned char>(sql[end])) || sql[end] == '_')) ++end;
        out.append(sql, at, end - at);
        if (end > name) out += suffix_;
        at = end;
    }
    out.append(sql, std::min(at, sql.size()), std::string::npos);
    return out;
}

int64_t FixtureDatabase::lastRowid() const { return db_ ? sqlite3_last_insert_rowid(db_) : 0; }

void FixtureDatabase::setTriggersEnabled(bool enabled) {
    finalizeStatements();  // statements carry the triggers they were prepared with
    int now = 0;
    if (!db_ || sqlite3_db_config(db_, SQLITE_DBCONFIG_ENABLE_TRIGGER, enabled ? 1 : 0, &now) != SQLITE_OK ||
        now != (enabled ? 1 : 0))
        ok_ = false;
}

void FixtureDatabase::keepWritingInLog() {
    exec("PRAGMA journal_mode=WAL;");
    exec("PRAGMA wal_autocheckpoint=0;");
    int applied = 0;
    if (!db_ || sqlite3_db_config(db_, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, &applied) != SQLITE_OK || !applied)
        ok_ = false;
    keepsLog_ = true;
}

void FixtureDatabase::open() {
    if (sqlite3_open(path_.c_str(), &db_) != SQLITE_OK) ok_ = false;
    exec("PRAGMA secure_delete=OFF;");
    // Nothing waits for the disk at each commit: the bytes written are the same, and the
    // deletions commit one by one.
    exec("PRAGMA synchronous=OFF;");
}

void FixtureDatabase::finalizeStatements() {
    for (auto& [sql, st] : statements_) sqlite3_finalize(st);
    statements_.clear();
}

void FixtureDatabase::close() {
    finalizeStatements();
    if (db_) sqlite3_close(db_);
    db_ = nullptr;
    // The log's index is shared memory of the writers, which no backup holds.
    if (keepsLog_) std::remove((path_ + "-shm").c_str());
}

void FixtureDatabase::exec(const std::string& sql) {
    if (sql.rfind("CREATE", 0) == 0 || sql.rfind("PRAGMA", 0) == 0) finalizeStatements();  // schema changes
    if (!db_ || sqlite3_exec(db_, withSuffix(sql).c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) ok_ = false;
}

void FixtureDatabase::run(const std::string& sql, const std::vector<Value>& values) {
    sqlite3_stmt*& st = statements_[sql];
    if (!st && (!db_ || sqlite3_prepare_v2(db_, withSuffix(sql).c_str(), -1, &st, nullptr) != SQLITE_OK)) {
        ok_ = false;
        return;
    }
    for (size_t i = 0; i < values.size(); ++i) {
        int at = static_cast<int>(i + 1);
        const Value& v = values[i];
        if (std::holds_alternative<int64_t>(v))
            sqlite3_bind_int64(st, at, std::get<int64_t>(v));
        else if (std::holds_alternative<double>(v))
            sqlite3_bind_double(st, at, std::get<double>(v));
        else if (std::holds_alternative<std::string>(v))
            sqlite3_bind_text(st, at, std::get<std::string>(v).c_str(), -1, SQLITE_TRANSIENT);
        else if (std::holds_alternative<std::vector<uint8_t>>(v))
            sqlite3_bind_blob(st, at, std::get<std::vector<uint8_t>>(v).data(),
                              static_cast<int>(std::get<std::vector<uint8_t>>(v).size()), SQLITE_TRANSIENT);
        else
            sqlite3_bind_null(st, at);
    }
    if (sqlite3_step(st) != SQLITE_DONE) ok_ = false;
    sqlite3_reset(st);
    sqlite3_clear_bindings(st);
}

void FixtureDatabase::useLegacyIntegerFormat() {
    if (addsToExisting()) return;  // an existing database keeps its format
    close();
    if (FILE* f = std::fopen(path_.c_str(), "r+b")) {
        const unsigned char one[4] = {0, 0, 0, 1};
        if (std::fseek(f, 44, SEEK_SET) != 0 || std::fwrite(one, 1, 4, f) != 4) ok_ = false;
        std::fclose(f);
    } else {
        ok_ = false;
    }
    open();
}

}  // namespace carvefix
