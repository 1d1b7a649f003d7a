#include "SqliteRead.h"

#include "CpuTime.h"
#include "TempFolder.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <filesystem>
#include <sqlite3.h>
#include <vector>

namespace bench {

void touchRow(sqlite3_stmt* stmt) {
    const int columns = sqlite3_column_count(stmt);
    for (int c = 0; c < columns; ++c) {
        switch (sqlite3_column_type(stmt, c)) {
        case SQLITE_INTEGER: benchmark::DoNotOptimize(sqlite3_column_int64(stmt, c)); break;
        case SQLITE_FLOAT: benchmark::DoNotOptimize(sqlite3_column_double(stmt, c)); break;
        case SQLITE_TEXT:
            benchmark::DoNotOptimize(sqlite3_column_text(stmt, c));
            benchmark::DoNotOptimize(sqlite3_column_bytes(stmt, c));
            break;
        case SQLITE_BLOB:
            benchmark::DoNotOptimize(sqlite3_column_blob(stmt, c));
            benchmark::DoNotOptimize(sqlite3_column_bytes(stmt, c));
            break;
        default: break;
        }
    }
}

namespace {

// Steps every row of one table, touching each.
bool readTable(sqlite3* db, const std::string& table, long long& rows) {
    std::string quoted = "\"";
    for (char c : table) quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    quoted += '"';
    sqlite3_stmt* select = nullptr;
    if (sqlite3_prepare_v2(db, ("SELECT * FROM " + quoted).c_str(), -1, &select, nullptr) != SQLITE_OK) {
        sqlite3_finalize(select);
        return false;
    }
    int rc = SQLITE_OK;
    while ((rc = sqlite3_step(select)) == SQLITE_ROW) {
        ++rows;
        touchRow(select);
    }
    sqlite3_finalize(select);
    return rc == SQLITE_DONE;
}

// One full read of the database at path.
SqliteRead readOnce(const std::string& path) {
    SqliteRead read;
    const double start = threadCpuSeconds();
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK) {
        sqlite3_close(db);
        return read;
    }
    // A virtual table needs its module, which a phone's database may name but SQLite lacks.
    std::vector<std::string> tables;
    sqlite3_stmt* names = nullptr;
    read.ok = sqlite3_prepare_v2(db,
                                 "SELECT name FROM sqlite_master WHERE type = 'table'"
                                 " AND sql NOT LIKE 'CREATE VIRTUAL%'",
                                 -1, &names, nullptr) == SQLITE_OK;
    while (read.ok && sqlite3_step(names) == SQLITE_ROW)
        tables.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(names, 0)));
    sqlite3_finalize(names);
    for (const std::string& table : tables) read.ok = readTable(db, table, read.rows) && read.ok;
    sqlite3_close(db);
    read.cpuSeconds = threadCpuSeconds() - start;
    return read;
}

}  // namespace

SqliteRead readEveryTable(const std::string& path, int runs) {
    namespace fs = std::filesystem;
    const TempFolder copy("sqlite-read");
    const std::string copied = copy.file(fs::path(path).filename().string());
    std::error_code error;
    fs::copy_file(path, copied, error);
    if (error) return {};
    if (fs::exists(path + "-wal")) fs::copy_file(path + "-wal", copied + "-wal", error);
    if (error) return {};
    SqliteRead least;
    for (int r = 0; r < runs; ++r) {
        const SqliteRead read = readOnce(copied);
        if (!read.ok) return read;
        if (!least.ok || read.cpuSeconds < least.cpuSeconds) least = read;
    }
    return least;
}

bool reportCpuAgainstSqlite(benchmark::State& state, double cpuSeconds, double megabytes, const std::string& path) {
    if (megabytes <= 0) return false;
    const double carve = 1000 * cpuSeconds / megabytes;
    state.counters["CPU_ms_per_MB"] = carve;
    const SqliteRead read = readEveryTable(path, megabytes > 200 ? 1 : 3);
    if (!read.ok || read.cpuSeconds <= 0) return false;
    const double floor = 1000 * read.cpuSeconds / megabytes;
    state.counters["sqlite_CPU_ms_per_MB"] = floor;
    state.counters["x_sqlite_read"] = carve / floor;
    return carve <= kMostCpuOverSqliteRead * floor;
}

}  // namespace bench
