// Parts of a database file that hold no rows, whatever their bytes look like: the bytes the
// header reserves at the end of every page (an extension's checksums or nonces), and the
// pointer-map pages of an auto-vacuum database (five-byte entries whose type bytes read as a
// page's kind). A row planted there is never carved, live or deleted.
#include "CarveTestSupport.h"
#include "TestShapes.h"
#include "backup/carve/CarveRecords.h"

#include <fstream>
#include <iterator>
#include <set>
#include <sqlite3.h>
#include <string>
#include <vector>

using namespace carvetest;

namespace {

constexpr int kPage = 1024;

// A database of rows (id, name, n) made by SQLite: its statements run after setup, on a file
// of 1024-byte pages with secure delete off.
void makeDatabase(const std::string& path, const char* setup, const std::string& statements, int reserved = 0) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    auto exec = [&](const std::string& sql) {
        ASSERT_EQ(sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(db);
    };
    exec("PRAGMA page_size=1024; PRAGMA secure_delete=OFF;" + std::string(setup));
    if (reserved > 0) {
        ASSERT_EQ(sqlite3_file_control(db, "main", SQLITE_FCNTL_RESERVE_BYTES, &reserved), SQLITE_OK);
    }
    exec(
        "CREATE TABLE t(id INTEGER PRIMARY KEY, name TEXT, n INTEGER);"
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 2500) "
        "INSERT INTO t SELECT x, printf('row-%080d', x), x FROM c;" +
        statements);
    sqlite3_close(db);
}

// A row of t as a cell: its id (the row id, NULL in the record), a name and a small number.
std::vector<uint8_t> plantedCell(uint8_t rowid, const std::string& name) {
    std::vector<uint8_t> record = {4, 0, static_cast<uint8_t>(13 + 2 * name.size()), 1};
    record.insert(record.end(), name.begin(), name.end());
    record.push_back(7);
    std::vector<uint8_t> cell = {static_cast<uint8_t>(record.size()), rowid};
    cell.insert(cell.end(), record.begin(), record.end());
    return cell;
}

class CarvePageKinds : public CarveTest {
protected:
    std::vector<uint8_t> bytes(const std::string& path) {
        std::ifstream in(path, std::ios::binary);
        return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), {});
    }
    void write(const std::string& path, const std::vector<uint8_t>& data) {
        std::ofstream(path, std::ios::binary)
            .write(reinterpret_cast<const char*>(data.data()), static_cast<std::streamsize>(data.size()));
    }
    // The rows of t carved from the file: the names of the live ones and of the deleted ones.
    std::pair<std::multiset<std::string>, std::multiset<std::string>> carve(const std::string& path) {
        carve::CarveDatabase db;
        EXPECT_TRUE(db.open(path, context));
        const std::vector<carve::CarvedTable> tables =
            carve::carveRecords(db, {carvetest::shapeOf("kti", carve::LiveRows::values)});
        EXPECT_TRUE(db.coverage().complete());
        std::multiset<std::string> live, deleted;
        for (const carve::CarvedRecord& row : tables[0].live) live.insert(std::string(row.values[1].bytesView()));
        for (const carve::CarvedRecord& row : tables[0].deleted) deleted.insert(std::string(row.values[1].bytesView()));
        return {live, deleted};
    }
};

TEST_F(CarvePageKinds, BytesReservedAtTheEndOfEachPageHoldNoRows) {
    // 2,500 rows, all but the first 300 deleted (most of their pages freed, each page's
    // reserved bytes then holding a row's image).
    const std::string path = file("reserved.db");
    makeDatabase(path, "", "DELETE FROM t WHERE id > 300;", 100);
    std::vector<uint8_t> data = bytes(path);
    ASSERT_EQ(data[20], 100);
    const std::vector<uint8_t> cell = plantedCell(9, "planted in the reserved bytes");
    for (size_t page = 1; page < data.size() / kPage; ++page)
        std::copy(cell.begin(), cell.end(), data.begin() + static_cast<ptrdiff_t>((page + 1) * kPage - 96));
    write(path, data);

    const auto [live, deleted] = carve(path);
    EXPECT_EQ(live.size(), 300u);
    EXPECT_GT(deleted.size(), 1000u);
    EXPECT_EQ(live.count("planted in the reserved bytes") + deleted.count("planted in the reserved bytes"), 0u);
}

TEST_F(CarvePageKinds, PointerMapPagesHoldNoRows) {
    const std::string path = file("autovacuum.db");
    makeDatabase(path, "PRAGMA auto_vacuum=FULL;", "");
    // The pages SQLite names as parts of its trees are all but the map pages: 2, then one
    // every 1024 / 5 + 1 pages.
    std::set<int64_t> treePages;
    {
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
        sqlite3_stmt* st = nullptr;
        ASSERT_EQ(sqlite3_prepare_v2(db, "SELECT pageno FROM dbstat", -1, &st, nullptr), SQLITE_OK);
        while (sqlite3_step(st) == SQLITE_ROW) treePages.insert(sqlite3_column_int64(st, 0));
        sqlite3_finalize(st);
        sqlite3_close(db);
    }
    std::vector<uint8_t> data = bytes(path);
    const auto pages = static_cast<int64_t>(data.size() / kPage);
    carve::CarveDatabase db;
    ASSERT_TRUE(db.open(path, context));
    std::vector<int64_t> maps;
    for (int64_t page = 1; page <= pages; ++page) {
        EXPECT_NE(db.pointerMapPage(page), treePages.count(page) == 1) << page;
        if (db.pointerMapPage(page)) maps.push_back(page);
    }
    ASSERT_EQ(maps, (std::vector<int64_t>{2, 207}));

    // A map page whose bytes read as a table's leaf, with a row on it.
    std::vector<uint8_t> leaf = {0x0d, 0, 0, 0, 1, 0x03, 0xc0, 0, 0x03, 0xc0};
    const std::vector<uint8_t> cell = plantedCell(9, "planted in a pointer map");
    leaf.resize(0x3c0, 0);
    leaf.insert(leaf.end(), cell.begin(), cell.end());
    std::copy(leaf.begin(), leaf.end(), data.begin() + 206 * kPage);
    write(path, data);
    const auto [live, deleted] = carve(path);
    EXPECT_EQ(live.size(), 2500u);
    EXPECT_EQ(live.count("planted in a pointer map") + deleted.count("planted in a pointer map"), 0u);
}

}  // namespace
