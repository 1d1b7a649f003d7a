// The floor under a carve of a database: SQLite's own full read of its tables on one thread, every
// row of every table its schema names stepped through and every column of it touched; and how a
// carve's processor time per megabyte compares with it.
#pragma once

#include <string>

namespace benchmark {
class State;
}
struct sqlite3_stmt;

namespace bench {

// Reads every column of the current row in the form it is stored in: the least a reader must do
// to see each value.
void touchRow(sqlite3_stmt* stmt);

// What a full read cost: the calling thread's user and system seconds, and the rows read.
struct SqliteRead {
    bool ok = false;
    double cpuSeconds = 0;
    long long rows = 0;
};

// Reads a copy of the database at path (with its write-ahead log, where one lies beside it)
// read-only, so that the files carved stay as they are; the copy is not timed. The least
// processor time of runs reads.
SqliteRead readEveryTable(const std::string& path, int runs = 3);

// The most processor time a carve may take per megabyte, as a multiple of SQLite's full read.
constexpr double kMostCpuOverSqliteRead = 2.0;

// Puts beside a benchmark's figures the carve's processor time per megabyte (cpuSeconds over a
// run of megabytes), SQLite's full read's of the database at path, and their ratio; answers
// whether the carve kept within kMostCpuOverSqliteRead of the read (false too when the read
// failed). A file of gigabytes is read once, a smaller one three times.
bool reportCpuAgainstSqlite(benchmark::State& state, double cpuSeconds, double megabytes, const std::string& path);

}  // namespace bench
