#include "backup/BackupDatabase.h"

#include <cmath>
#include <cstdlib>

BackupDatabase::BackupDatabase(const std::string& path) : BackupDatabase(PreparedDatabase::prepare(path)) {}

BackupDatabase::BackupDatabase(std::shared_ptr<PreparedDatabase> prepared) : prepared_(std::move(prepared)) {
    if (!prepared_) return;
    // A connection serves the one reader that opened it, so it goes without SQLite's per-call
    // lock (every column of a million rows would take and give it back).
    db_ = prepared_->open(SQLITE_OPEN_NOMUTEX);
    if (db_) sqlite3_busy_timeout(db_, 2000);
}

BackupDatabase::~BackupDatabase() { sqlite3_close(db_); }

std::optional<long long> BackupDatabase::Row::decimalOfText(int column) const {
    const char* value = text(column);
    if (!value || !*value) return std::nullopt;
    return std::strtoll(value, nullptr, 10);
}

const char* BackupDatabase::Row::wholeText(int column, const char* text, size_t length) const {
    if (whole_.size() < static_cast<size_t>(columns_)) whole_.resize(static_cast<size_t>(columns_));
    std::string& kept = whole_[static_cast<size_t>(column)];
    kept.clear();
    for (size_t i = 0; i < length; ++i) {
        if (text[i] == '\0')
            kept += "\xEF\xBF\xBD";
        else
            kept += text[i];
    }
    return kept.c_str();
}

std::optional<int64_t> BackupDatabase::Row::wholeNumber(int column) const {
    if (column < 0 || column >= columnCount()) return std::nullopt;
    switch (sqlite3_column_type(stmt_, column)) {
    case SQLITE_INTEGER: return sqlite3_column_int64(stmt_, column);
    case SQLITE_FLOAT: {
        // Reals beyond 2^53 no longer tell whole numbers apart.
        const double value = sqlite3_column_double(stmt_, column);
        if (value != std::floor(value) || std::fabs(value) > 9007199254740992.0) return std::nullopt;
        return static_cast<int64_t>(value);
    }
    default: return std::nullopt;
    }
}

const uint8_t* BackupDatabase::Row::bytes(int column, size_t* length) const {
    *length = 0;
    if (column < 0 || column >= columnCount()) return nullptr;
    const void* data = sqlite3_column_blob(stmt_, column);
    const int size = sqlite3_column_bytes(stmt_, column);
    if (!data || size <= 0) return nullptr;
    *length = static_cast<size_t>(size);
    return static_cast<const uint8_t*>(data);
}

namespace {

void runStatement(sqlite3_stmt* stmt, const BackupDatabase::RowHandler& onRow) {
    const BackupDatabase::Row row(stmt);
    while (sqlite3_step(stmt) == SQLITE_ROW) onRow(row);
}

}  // namespace

bool BackupDatabase::query(const std::string& sql, const RowHandler& onRow) {
    Statement statement(*this, sql);
    if (!statement.isPrepared()) return false;
    statement.run(onRow);
    return true;
}

bool BackupDatabase::query(const std::string& sql, int64_t parameter, const RowHandler& onRow) {
    Statement statement(*this, sql);
    if (!statement.isPrepared()) return false;
    statement.run(parameter, onRow);
    return true;
}

bool BackupDatabase::query(const std::string& sql, std::initializer_list<int64_t> parameters, const RowHandler& onRow) {
    Statement statement(*this, sql);
    if (!statement.isPrepared()) return false;
    statement.run(parameters, onRow);
    return true;
}

BackupDatabase::Statement::Statement(BackupDatabase& db, const std::string& sql) {
    if (!db.db_ || sqlite3_prepare_v2(db.db_, sql.c_str(), -1, &stmt_, nullptr) != SQLITE_OK) {
        sqlite3_finalize(stmt_);
        stmt_ = nullptr;
    }
}

BackupDatabase::Statement::~Statement() { sqlite3_finalize(stmt_); }

void BackupDatabase::Statement::run(const RowHandler& onRow) {
    if (!stmt_) return;
    sqlite3_reset(stmt_);
    runStatement(stmt_, onRow);
}

void BackupDatabase::Statement::run(int64_t parameter, const RowHandler& onRow) { run({parameter}, onRow); }

void BackupDatabase::Statement::run(std::initializer_list<int64_t> parameters, const RowHandler& onRow) {
    if (!stmt_) return;
    sqlite3_reset(stmt_);
    int index = 0;
    for (int64_t parameter : parameters) sqlite3_bind_int64(stmt_, ++index, parameter);
    runStatement(stmt_, onRow);
}
