// A small SQLite handle for the fixture writers: statements with bound values, a transaction,
// and the hand-over of the last rows to the "-wal" file.
#pragma once

#include <algorithm>
#include <cstdint>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace sampledb {

class SqliteWriter {
public:
    // Removes any earlier file of that path (with its journals) and creates an empty database
    // that keeps a write-ahead log or a rollback journal, as the device's file does.
    explicit SqliteWriter(const std::string& path, bool writeAheadLog = false);
    ~SqliteWriter();
    SqliteWriter(const SqliteWriter&) = delete;
    SqliteWriter& operator=(const SqliteWriter&) = delete;

    bool ok() const { return db_ != nullptr && ok_; }
    void exec(const std::string& sql);
    // The row id the last insert gave.
    int64_t lastRowid() const { return db_ ? sqlite3_last_insert_rowid(db_) : 0; }

    // Moves what was written so far into the main file and switches to write-ahead logging
    // without checkpoints, so that what is written from now on stays in the "-wal" file after
    // the connection closes.
    void keepFollowingRowsInWal();

    class Statement {
    public:
        Statement(SqliteWriter& owner, const std::string& sql);
        ~Statement();
        Statement(const Statement&) = delete;
        Statement& operator=(const Statement&) = delete;
        template <class... Values>
        void run(const Values&... values) {
            if (!stmt_) return;
            sqlite3_reset(stmt_);
            sqlite3_clear_bindings(stmt_);
            int index = 1;
            (bind(index++, values), ...);
            step();
        }

    private:
        void bind(int index, std::nullptr_t);
        void bind(int index, int value);
        void bind(int index, int64_t value);
        void bind(int index, double value);
        void bind(int index, const std::string& value);
        void bind(int index, const char* value);
        void bind(int index, const std::vector<uint8_t>& value);
        void step();
        SqliteWriter& owner_;
        sqlite3_stmt* stmt_ = nullptr;
    };

private:
    friend class Statement;
    std::string path_;
    sqlite3* db_ = nullptr;
    bool ok_ = true;
    bool keptWal_ = false;
};

// Runs insert(i) for every row, the last walOnly ones into the "-wal" file.
template <class Insert>
void insertRows(SqliteWriter& db, size_t count, int walOnly, Insert insert) {
    size_t inMain = count - std::min(count, static_cast<size_t>(std::max(walOnly, 0)));
    db.exec("BEGIN");
    for (size_t i = 0; i < inMain; ++i) insert(i);
    db.exec("COMMIT");
    if (inMain == count) return;
    db.keepFollowingRowsInWal();
    db.exec("BEGIN");
    for (size_t i = inMain; i < count; ++i) insert(i);
    db.exec("COMMIT");
}

// Removes a database file and its "-wal", "-shm" and "-journal" companions.
void removeDatabaseFiles(const std::string& path);

}  // namespace sampledb
