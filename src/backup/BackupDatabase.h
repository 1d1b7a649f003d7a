// A backup database opened for the readers: an existing regular file only (a missing one is
// never created), read where it lies strictly read-only or through a private copy
// (PreparedDatabase.h), so that the backup itself is never written. Closed with the object; used
// by one thread at a time. Queries run row by row, so a database of any size streams through.
#pragma once

#include "backup/PreparedDatabase.h"

#include <cstdint>
#include <cstring>
#include <functional>
#include <initializer_list>
#include <optional>
#include <sqlite3.h>
#include <string>
#include <vector>

class BackupDatabase {
public:
    // The backup's database at path, prepared for reading (shared with other holders).
    explicit BackupDatabase(const std::string& path);
    // An already prepared database; null opens nothing.
    explicit BackupDatabase(std::shared_ptr<PreparedDatabase> prepared);
    ~BackupDatabase();
    BackupDatabase(const BackupDatabase&) = delete;
    BackupDatabase& operator=(const BackupDatabase&) = delete;

    bool isOpen() const { return db_ != nullptr; }

    // One result row; its values are valid only inside the row callback.
    class Row {
    public:
        explicit Row(sqlite3_stmt* stmt) : stmt_(stmt), columns_(sqlite3_column_count(stmt)) {}
        int columnCount() const { return columns_; }
        // The column as NUL-terminated text, or null for NULL and columns past the end. A NUL
        // inside the text, which would end it there, is given as U+FFFD: what follows it is kept.
        const char* text(int column) const {
            if (column < 0 || column >= columns_) return nullptr;
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(stmt_, column));
            if (!text) return nullptr;
            const auto length = static_cast<size_t>(sqlite3_column_bytes(stmt_, column));
            return std::memchr(text, 0, length) ? wholeText(column, text, length) : text;
        }
        // The column as a 64-bit integer (0 for NULL and columns past the end).
        int64_t integer(int column) const {
            if (column < 0 || column >= columns_) return 0;
            return sqlite3_column_int64(stmt_, column);
        }
        // The column's text read as a decimal integer, or nothing when the text is absent or
        // empty. An integer column is taken as it is, without a detour through its text.
        std::optional<long long> decimal(int column) const {
            if (column < 0 || column >= columns_) return std::nullopt;
            // One call into the statement for both the type and the number: each such call
            // takes the connection's lock, a cost of the same order as reading the number.
            sqlite3_value* value = sqlite3_column_value(stmt_, column);
            switch (sqlite3_value_type(value)) {
            case SQLITE_NULL: return std::nullopt;
            case SQLITE_INTEGER: return sqlite3_value_int64(value);
            default: return decimalOfText(column);
            }
        }
        // The column as a whole number when it holds one (an integer, or a real without a
        // fraction): the rows "column = ?" finds for that number. Nothing for other values.
        std::optional<int64_t> wholeNumber(int column) const;
        // The column's bytes (blob or text) and their number; null and 0 when there are none.
        const uint8_t* bytes(int column, size_t* length) const;

    private:
        std::optional<long long> decimalOfText(int column) const;
        // The text of length bytes with its NULs made U+FFFD, kept until the column is read again.
        const char* wholeText(int column, const char* text, size_t length) const;

        sqlite3_stmt* stmt_;
        int columns_;
        mutable std::vector<std::string> whole_;  // per column, for the texts that hold a NUL
    };

    using RowHandler = std::function<void(const Row&)>;

    // Prepares sql, binds the optional 64-bit integer to parameter 1 and calls onRow for each
    // row. False when the statement cannot be prepared (no such table or column, a file that
    // is no database); rows already handed over stay handed over when a later step fails.
    bool query(const std::string& sql, const RowHandler& onRow);
    bool query(const std::string& sql, int64_t parameter, const RowHandler& onRow);
    // The same with the integers bound to parameters 1, 2...
    bool query(const std::string& sql, std::initializer_list<int64_t> parameters, const RowHandler& onRow);

    // The prepared database this connection reads, for another connection to the same one.
    const std::shared_ptr<PreparedDatabase>& prepared() const { return prepared_; }

    // A prepared statement kept for repeated runs with a new parameter (one per contact).
    class Statement {
    public:
        Statement(BackupDatabase& db, const std::string& sql);
        ~Statement();
        Statement(const Statement&) = delete;
        Statement& operator=(const Statement&) = delete;
        bool isPrepared() const { return stmt_ != nullptr; }
        void run(const RowHandler& onRow);
        void run(int64_t parameter, const RowHandler& onRow);
        void run(std::initializer_list<int64_t> parameters, const RowHandler& onRow);

    private:
        sqlite3_stmt* stmt_ = nullptr;
    };

private:
    std::shared_ptr<PreparedDatabase> prepared_;
    sqlite3* db_ = nullptr;
};
