// A small SQLite writer for the fixture makers: a fresh file with the chosen page size and
// journal kind, secure delete off (as on the phones), no waiting for the disk, statements with
// positional values.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <variant>
#include <vector>

struct sqlite3;
struct sqlite3_stmt;

namespace carvefix {

using Value = std::variant<std::nullptr_t, int64_t, std::string, std::vector<uint8_t>, double>;

class FixtureDatabase {
public:
    // Removes any earlier file with its journals and creates the database afresh; or, with a
    // table suffix, opens the existing database, and the tables this writer creates, fills and
    // empties get the suffix, so that they stand beside the database's own tables.
    FixtureDatabase(const std::string& path, int pageSize, bool writeAheadLog, const std::string& tableSuffix = {});
    bool addsToExisting() const { return !suffix_.empty(); }
    ~FixtureDatabase();
    FixtureDatabase(const FixtureDatabase&) = delete;
    FixtureDatabase& operator=(const FixtureDatabase&) = delete;

    bool ok() const { return ok_; }
    void exec(const std::string& sql);
    void run(const std::string& sql, const std::vector<Value>& values);
    // The row id the last insert gave.
    int64_t lastRowid() const;
    // Turns the schema's triggers off (or on again) for this connection only: a maker that does
    // a trigger's work itself, row by row, need not have the trigger scan a whole table for it.
    void setTriggersEnabled(bool enabled);
    // Rewrites the header's schema format to 1, in which the integers 0 and 1 are stored with a
    // one-byte body like any other small integer (older databases were written so).
    void useLegacyIntegerFormat();
    // From here on, what is written stays in the write-ahead log: no checkpoint, not even at
    // close, which leaves the log beside the file.
    void keepWritingInLog();
    void close();

private:
    void open();
    std::string withSuffix(const std::string& sql) const;
    void finalizeStatements();
    std::string path_;
    sqlite3* db_ = nullptr;
    std::map<std::string, sqlite3_stmt*> statements_;  // prepared once, run many times
    bool ok_ = true;
    bool keepsLog_ = false;
    std::string suffix_;
};

}  // namespace carvefix
