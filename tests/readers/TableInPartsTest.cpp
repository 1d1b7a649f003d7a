// A large table read in parts side by side gives every row once, in the order one plain walk of
// the table gives them, handed over or kept by each part's own reader; tables the parts cannot
// follow are read plainly.
#include "TestSupport.h"
#include "backup/TableInParts.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <deque>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <set>
#include <sqlite3.h>
#include <stdexcept>
#include <string>
#include <thread>
#include <utility>
#include <vector>

namespace {

class TableInPartsTest : public testsupport::HomeTest {
protected:
    // A table of rows with ids from 1 to rows and runs of them deleted, as a call history has.
    std::string writeDatabase(int rows, const std::string& extra = {}) {
        const std::string path = home.path() + "/parts" + std::to_string(++written_) + ".db";
        sqlite3* db = nullptr;
        EXPECT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        std::string sql =
            "create table call (ROWID INTEGER PRIMARY KEY AUTOINCREMENT, address TEXT, date INTEGER);"
            "begin;";
        sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr);
        sqlite3_stmt* insert = nullptr;
        sqlite3_prepare_v2(db, "insert into call (address, date) values (?1, ?2)", -1, &insert, nullptr);
        for (int i = 1; i <= rows; ++i) {
            const std::string address = "+1555" + std::to_string(1000000 + int64_t{i} * 7919 % 999983);
            sqlite3_bind_text(insert, 1, address.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int64(insert, 2, 378000000 + i * 61);
            sqlite3_step(insert);
            sqlite3_reset(insert);
        }
        sqlite3_finalize(insert);
        sql = "delete from call where ROWID between 1000 and 45000 or ROWID % 7 = 3;" + extra + "commit;";
        EXPECT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
        return path;
    }

    int written_ = 0;

    struct Row {
        int64_t id;
        std::string address;
        int64_t date;
        bool operator==(const Row&) const = default;
    };

    std::vector<Row> plainly(BackupDatabase& db, const std::string& columns = "rowid,address,date",
                             const tableparts::Source& source = "call") {
        std::vector<Row> rows;
        db.query(tableparts::plainQuery(source, columns), [&](const BackupDatabase::Row& r) {
            rows.push_back({r.integer(0), r.text(1), r.integer(2)});
        });
        return rows;
    }

    std::vector<Row> inParts(BackupDatabase& db, size_t maxParts, const std::string& columns = "rowid,address,date",
                             std::vector<std::thread::id>* makers = nullptr,
                             const tableparts::Source& source = "call") {
        std::vector<Row> rows;
        const auto caller = std::this_thread::get_id();
        std::mutex makersLock;  // the parts' threads make their makers at the same time
        const bool read = tableparts::read(
            db, source, columns,
            [&] {
                std::lock_guard lock(makersLock);
                if (makers && std::this_thread::get_id() != caller) makers->push_back(std::this_thread::get_id());
                return [](const BackupDatabase::Row& r) { return Row{r.integer(0), r.text(1), r.integer(2)}; };
            },
            [&](Row&& row) {
                EXPECT_EQ(std::this_thread::get_id(), caller);  // handed over on the calling thread
                rows.push_back(std::move(row));
            },
            maxParts);
        EXPECT_TRUE(read);
        return rows;
    }

    // The rows as the parts' own readers keep them, part after part; the threads that read them.
    std::vector<Row> eachPart(BackupDatabase& db, size_t maxParts, std::set<std::thread::id>* readOn = nullptr) {
        struct Part {
            std::vector<Row> rows;
            std::thread::id readOn;
        };
        std::deque<Part> parts;
        const auto caller = std::this_thread::get_id();
        const bool read = tableparts::readEach(
            db, "call", "rowid,address,date",
            [&](size_t k) {
                EXPECT_EQ(std::this_thread::get_id(), caller);  // every reader made here, in turn
                EXPECT_EQ(k, parts.size());
                Part& part = parts.emplace_back();
                return [&part](const BackupDatabase::Row& r) {
                    part.readOn = std::this_thread::get_id();
                    part.rows.push_back({r.integer(0), r.text(1), r.integer(2)});
                };
            },
            maxParts);
        EXPECT_TRUE(read);
        std::vector<Row> rows;
        for (Part& part : parts) {
            rows.insert(rows.end(), part.rows.begin(), part.rows.end());
            if (readOn) readOn->insert(part.readOn);
        }
        return rows;
    }
};

TEST_F(TableInPartsTest, PartsGiveEveryRowOnceInTheOrderOfOneWalk) {
    BackupDatabase db(writeDatabase(200000,
                                    "create table person (ROWID INTEGER PRIMARY KEY, name TEXT);"
                                    "insert into person (name) select address from call where ROWID < 60;"));
    ASSERT_TRUE(db.isOpen());
    EXPECT_TRUE(db.prepared()->readsInPlace());  // the parts' connections share one descriptor's file
    const std::vector<Row> want = plainly(db);
    ASSERT_GT(want.size(), 100000u);
    EXPECT_EQ(tableparts::plan(db, "call", "rowid,address,date", 4).size(), 4u);
    std::vector<std::thread::id> makers;
    EXPECT_EQ(inParts(db, 4, "rowid,address,date", &makers), want);
    // Stretches made on the four threads of the parts (and here, when they fall behind).
    EXPECT_FALSE(makers.empty());
    EXPECT_LE(std::set<std::thread::id>(makers.begin(), makers.end()).size(), 4u);
    EXPECT_EQ(inParts(db, 3), want);
    EXPECT_EQ(inParts(db, 1), want);
    // Kept by each part's own reader: the same rows, each part read on a thread of its own.
    std::set<std::thread::id> readOn;
    EXPECT_EQ(eachPart(db, 4, &readOn), want);
    EXPECT_EQ(readOn.size(), 4u);
    EXPECT_EQ(eachPart(db, 1), want);

    // With the rows of another table that each row names joined by their row ids (a message's
    // handle): the same rows, in the same order. Joined by anything else, read plainly.
    const tableparts::Source joined{"call", "left join person on call.date % 50 + 1 = person.ROWID"};
    const std::string joinedColumns = "call.rowid,person.name,call.date";
    EXPECT_EQ(tableparts::plan(db, joined, joinedColumns, 4).size(), 4u);
    EXPECT_EQ(inParts(db, 4, joinedColumns, nullptr, joined), plainly(db, joinedColumns, joined));
    EXPECT_TRUE(
        tableparts::plan(db, {"call", "left join person on person.name = call.address"}, joinedColumns, 4).empty());

    // Bounds at the ends of the row ids: the first and last rows are read once.
    const std::vector<tableparts::Part> parts = tableparts::plan(db, "call", "rowid,address,date", 4);
    EXPECT_EQ(parts.front().first, want.front().id);
    EXPECT_EQ(parts.back().last, want.back().id);
    for (size_t k = 1; k < parts.size(); ++k) EXPECT_EQ(parts[k].first, parts[k - 1].last + 1);
}

// A read in parts reads its stretches on as many threads as it has parts while the calling
// thread hands them over: a read in two parts (four cores) reads on two threads, not on one.
TEST_F(TableInPartsTest, EveryPartReadsOnAThreadOfItsOwn) {
    BackupDatabase db(writeDatabase(300000));
    ASSERT_TRUE(db.isOpen());
    const std::vector<Row> want = plainly(db);
    ASSERT_EQ(tableparts::plan(db, "call", "rowid,address,date", 2).size(), 2u);
    std::mutex lock;
    std::map<std::thread::id, int> stretchesBy;
    std::vector<Row> rows;
    const bool read = tableparts::read(
        db, "call", "rowid,address,date",
        [&] {
            {
                std::lock_guard locked(lock);
                ++stretchesBy[std::this_thread::get_id()];
            }
            // Each stretch takes a while to make, however fast the machine.
            std::this_thread::sleep_for(std::chrono::milliseconds(3));
            return [](const BackupDatabase::Row& r) { return Row{r.integer(0), r.text(1), r.integer(2)}; };
        },
        [&](Row&& row) { rows.push_back(std::move(row)); }, 2);
    EXPECT_TRUE(read);
    EXPECT_EQ(rows, want);
    // Two threads made a share of the stretches each; the calling thread only those it found
    // free while it waited (more on a busy machine, where the threads start late), never most.
    int all = 0;
    for (const auto& [thread, stretches] : stretchesBy) all += stretches;
    const auto caller = stretchesBy.find(std::this_thread::get_id());
    if (caller != stretchesBy.end()) {
        EXPECT_LT(caller->second, all / 2);
        stretchesBy.erase(caller);
    }
    ASSERT_EQ(stretchesBy.size(), 2u);
    for (const auto& [thread, stretches] : stretchesBy) EXPECT_GT(stretches, 5);
}

// The items of a read in parts are handed over as their stretch of rows is made, a few stretches
// ahead of the one being handed over: a reader of a large table whose items are records (an
// address book's contacts) does not hold most of them made at once while handing over the first.
TEST_F(TableInPartsTest, ItemsWaitingToBeHandedOverAreAFewStretches) {
    BackupDatabase db(writeDatabase(400000));
    ASSERT_TRUE(db.isOpen());
    const std::vector<Row> want = plainly(db);
    ASSERT_GT(want.size(), 300000u);
    // Each item counts itself while it lives.
    struct Counted {
        Counted(std::atomic<long>& alive, Row row) : alive(&alive), row(std::move(row)) { ++alive; }
        Counted(Counted&& other) noexcept : alive(std::exchange(other.alive, nullptr)), row(std::move(other.row)) {}
        Counted& operator=(Counted&&) = delete;
        ~Counted() {
            if (alive) --*alive;
        }
        std::atomic<long>* alive;
        Row row;
    };
    std::atomic<long> alive{0};
    long mostAlive = 0;
    std::vector<Row> rows;
    const bool read = tableparts::read(
        db, "call", "rowid,address,date",
        [&] {
            return [&](const BackupDatabase::Row& r) {
                return Counted(alive, Row{r.integer(0), r.text(1), r.integer(2)});
            };
        },
        [&](Counted&& item) {
            mostAlive = std::max(mostAlive, alive.load());
            rows.push_back(std::move(item.row));
            // The reader is slow to take them in: the parts' threads run ahead as far as they may.
            if (rows.size() % 50000 == 0) std::this_thread::sleep_for(std::chrono::milliseconds(50));
        },
        4);
    EXPECT_TRUE(read);
    EXPECT_EQ(rows, want);
    EXPECT_EQ(alive.load(), 0);
    EXPECT_LT(mostAlive, static_cast<long>(want.size() / 8));

    // A reader that stops taking (its take throws) while the parts' threads wait for room ends
    // the read with its error, not with threads waiting for ever.
    size_t taken = 0;
    EXPECT_THROW(
        tableparts::read(
            db, "call", "rowid,address,date", [&] { return [](const BackupDatabase::Row& r) { return r.integer(0); }; },
            [&](int64_t) {
                if (++taken == 20000) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(50));
                    throw std::runtime_error("no room");
                }
            },
            4),
        std::runtime_error);
    EXPECT_EQ(taken, 20000u);
}

TEST_F(TableInPartsTest, TablesThePartsCannotFollowAreReadPlainly) {
    {
        // Too few rows to gain.
        BackupDatabase db(writeDatabase(20000));
        EXPECT_TRUE(tableparts::plan(db, "call", "address,date", 4).empty());
    }
    {
        // An index holding every column asked for: SQLite walks it instead, in its own order
        // (the calls by date), which a read in parts must give too.
        BackupDatabase db(writeDatabase(200000, "create index by_date on call (date desc);"));
        const std::string columns = "rowid,date,date";
        EXPECT_TRUE(tableparts::plan(db, "call", columns, 4).empty());
        const std::vector<Row> want = plainly(db, columns);
        ASSERT_GT(want.size(), 100000u);
        EXPECT_GT(want.front().id, want.back().id);
        EXPECT_EQ(inParts(db, 4, columns), want);
        // No such table or column: nothing read, and it says so.
        EXPECT_FALSE(tableparts::read(
            db, "calls", "address", [] { return [](const BackupDatabase::Row&) { return 0; }; }, [](int) {}, 4));
        EXPECT_FALSE(tableparts::readEach(
            db, "calls", "address", [](size_t) { return [](const BackupDatabase::Row&) {}; }, 4));
    }
}

}  // namespace
