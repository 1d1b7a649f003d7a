#include "FixtureDatabase.h"

#include <cstdio>
#include <sqlite3.h>

namespace carvefix {

FixtureDatabase::FixtureDatabase(const std::string& path, int pageSize, bool writeAheadLog) : path_(path) {
    for (const char* suffix : {"", "-wal", "-shm", "-journal"}) std::remove((path + suffix).c_str());
    open();
    exec("PRAGMA page_size=" + std::to_string(pageSize) + ";");
    if (writeAheadLog) exec("PRAGMA journal_mode=WAL;");
}

FixtureDatabase::~FixtureDatabase() { close(); }

void FixtureDatabase::open() {
    if (sqlite3_open(path_.c_str(), &db_) != SQLITE_OK) ok_ = false;
    exec("PRAGMA secure_delete=OFF;");
}

void FixtureDatabase::finalizeStatements() {
    for (auto& [sql, st] : statements_) sqlite3_finalize(st);
    statements_.clear();
}

void FixtureDatabase::close() {
    finalizeStatements();
    if (db_) sqlite3_close(db_);
    db_ = nullptr;
}

void FixtureDatabase::exec(const std::string& sql) {
    if (sql.rfind("CREATE", 0) == 0 || sql.rfind("PRAGMA", 0) == 0) finalizeStatements();  // schema changes
    if (!db_ || sqlite3_exec(db_, sql.c_str(), nullptr, nullptr, nullptr) != SQLITE_OK) ok_ = false;
}

void FixtureDatabase::run(const std::string& sql, const std::vector<Value>& values) {
    sqlite3_stmt*& st = statements_[sql];
    if (!st && (!db_ || sqlite3_prepare_v2(db_, sql.c_str(), -1, &st, nullptr) != SQLITE_OK)) {
        ok_ = false;
        return;
    }
    for (size_t i = 0; i < values.size(); ++i) {
        int at = static_cast<int>(i + 1);
        const Value& v = values[i];
        if (std::holds_alternative<int64_t>(v))
            sqlite3_bind_int64(st, at, std::get<int64_t>(v));
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
