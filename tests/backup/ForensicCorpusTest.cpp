// The public SQLite Forensic Corpus (tests/data/sqlite-forensic-corpus): databases made to trip
// readers of the file format (odd names and quoting, keywords as names, UTF-16 texts, views,
// triggers, virtual tables, bytes reserved at each page's end, pointer-map pages, deleted and
// overwritten tables and rows). Its schemas read as SQLite reads them, its rows carve where
// SQLite has them, its deleted rows come back as its answer keys give them, and every one of its
// files, taken for each of a backup's databases, is read and carved without fault.
#include "BackupReaders.h"
#include "CorpusScore.h"
#include "LogCapture.h"
#include "SchemaAsSqlite.h"
#include "TestSupport.h"
#include "backup/BackupFileKeys.h"
#include "backup/carve/CarveAll.h"
#include "backup/carve/CarveRecords.h"
#include "backup/carve/RowShape.h"
#include "backup/carve/TableSchema.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

// The corpus's databases, category by category.
std::vector<std::string> corpusFiles(const std::string& firstCategory = "01", const std::string& lastCategory = "0E") {
    std::vector<std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(QM_FORENSIC_CORPUS)) {
        const std::string category = entry.path().parent_path().filename().string();
        if (entry.path().extension() == ".db" && category >= firstCategory && category <= lastCategory)
            files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

// The file as SQLite opens it: read-only, taken as unchanging (no journal looked for).
struct Sqlite {
    explicit Sqlite(const std::string& path) {
        const std::string uri = "file:" + path + "?immutable=1";
        if (sqlite3_open_v2(uri.c_str(), &db, SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr) != SQLITE_OK)
            ADD_FAILURE() << path << ": " << sqlite3_errmsg(db);
    }
    ~Sqlite() { sqlite3_close(db); }
    sqlite3* db = nullptr;
};

// The shape of a table as the file's own schema lays it out, every column read, of the kind its
// affinity says.
std::optional<carve::RowShape> schemaShape(carve::CarveDatabase& db, const std::string& table,
                                           carve::KnownTable& known) {
    const std::optional<std::vector<carve::SchemaEntry>> schema = carve::readSchema(db);
    if (!schema) return std::nullopt;
    const std::optional<carve::TableColumns> columns = carve::tableColumns(*schema, table);
    if (!columns) return std::nullopt;
    known = carve::KnownTable{"t", {}, carve::LiveRows::values};
    for (const carve::SchemaColumn& column : columns->columns)
        known.columns.push_back({column.name,
                                 column.affinity == carve::ColumnAffinity::integer ? carve::ColumnKind::integer
                                 : column.affinity == carve::ColumnAffinity::text  ? carve::ColumnKind::text
                                 : column.affinity == carve::ColumnAffinity::real  ? carve::ColumnKind::real
                                                                                   : carve::ColumnKind::any,
                                 carve::kRead});
    return carve::RowShape::make(known, *columns, "the file's own");
}

class ForensicCorpus : public testsupport::HomeTest {
protected:
    // Writes a database by the statements, as SQLite itself writes one, and carves it for the
    // tables named, each laid out as the file's schema says: their rows, in that order.
    std::vector<carve::CarvedTable> writeAndCarve(const std::string& name, const char* sql,
                                                  const std::vector<std::string>& tables) {
        const std::string path = testsupport::scratchDirectory(name) + "/t.db";
        sqlite3* writer = nullptr;
        EXPECT_EQ(sqlite3_open(path.c_str(), &writer), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(writer, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sqlite3_errmsg(writer);
        sqlite3_close(writer);
        carve::CarveDatabase db;
        if (!db.open(path, context)) {
            ADD_FAILURE() << path;
            return {};
        }
        std::vector<carve::KnownTable> known(tables.size());
        std::vector<carve::TableShape> shapes;
        for (size_t k = 0; k < tables.size(); ++k) {
            const std::optional<carve::RowShape> shape = schemaShape(db, tables[k], known[k]);
            if (!shape) {
                ADD_FAILURE() << tables[k];
                return {};
            }
            shapes.push_back(shape->shape());
        }
        return carve::carveRecords(db, shapes);
    }

    PRBackupScanState state;
    NSNotificationCenter nc;
    carve::CarveContext context{state, nc};
};

TEST_F(ForensicCorpus, SchemasReadAsSqliteReadsThem) {
    const std::vector<std::string> files = corpusFiles();
    ASSERT_EQ(files.size(), 77u);
    for (const std::string& path : files) {
        SCOPED_TRACE(path);
        Sqlite sqlite(path);
        const auto rows =
            schematest::query(sqlite.db, "SELECT type, name, tbl_name, rootpage, ifnull(sql, '') FROM sqlite_master");
        carve::CarveDatabase db;
        ASSERT_TRUE(db.open(path, context));
        const std::optional<std::vector<carve::SchemaEntry>> schema = carve::readSchema(db);
        ASSERT_TRUE(schema);
        ASSERT_EQ(schema->size(), rows.size());
        for (size_t k = 0; k < rows.size(); ++k) {
            const carve::SchemaEntry& e = (*schema)[k];
            EXPECT_EQ((std::vector<std::string>{e.type, e.name, e.tableName, std::to_string(e.rootPage), e.sql}),
                      rows[k]);
            if (e.type != "table") continue;
            const std::optional<carve::TableColumns> columns = carve::parseCreateTable(e.sql);
            if (e.sql.rfind("CREATE VIRTUAL TABLE", 0) == 0) {
                EXPECT_FALSE(columns) << e.sql;
                continue;
            }
            ASSERT_TRUE(columns) << e.sql;
            EXPECT_EQ(columns->name, e.name);
            schematest::expectColumnsAsSqlite(sqlite.db, e.name, *columns);
            EXPECT_TRUE(carve::tableColumns(*schema, e.name));
        }
    }
}

// Bytes reserved at the end of each page (a marker text there) and a pointer-map page are no
// rows: the table, its shape taken from its schema, carves with just the rows SQLite has, and
// the rows its statements deleted.
TEST_F(ForensicCorpus, ReservedBytesAndPointerMapPagesHoldNoRows) {
    for (const std::string& path : corpusFiles("08", "09")) {
        SCOPED_TRACE(path);
        Sqlite sqlite(path);
        const auto ids = schematest::query(sqlite.db, "SELECT rowid FROM users");
        carve::CarveDatabase db;
        ASSERT_TRUE(db.open(path, context));
        // Every column read, of the kind its affinity says, in the place the schema gives it.
        carve::KnownTable known;
        const std::optional<carve::RowShape> shape = schemaShape(db, "USERS", known);
        ASSERT_TRUE(shape);
        const std::vector<carve::CarvedTable> tables = carve::carveRecords(db, {shape->shape()});
        EXPECT_TRUE(db.coverage().complete());
        std::vector<std::string> live, sqliteLive;
        for (const carve::CarvedRecord& row : tables[0].live) live.push_back(std::to_string(row.rowid));
        for (const auto& row : ids) sqliteLive.push_back(row[0]);
        std::sort(live.begin(), live.end());
        std::sort(sqliteLive.begin(), sqliteLive.end());
        EXPECT_EQ(live, sqliteLive);
        // 09-01 deleted the ids between 21406 and 22555 (its pages' moves took most); 08-01 none.
        const bool deletes = path.find("09-01") != std::string::npos;
        size_t deleted = 0;
        for (const carve::CarvedRecord& row : tables[0].deleted) {
            if (row.values[0].type != carve::CarvedValue::integerValue) continue;
            const int64_t id = row.values[0].integer;
            EXPECT_TRUE(deletes && id > 21406 && id < 22555) << id;
            ++deleted;
        }
        EXPECT_EQ(deleted > 30, deletes);
    }
}

// The deleted and overwritten categories carved for every table their answer keys name: the
// deleted records (0C) come back, and of the deleted and overwritten tables and overwritten
// records what still lies in the file; no row comes back that the statements did not delete.
// Of the overwritten records (0D), 25 of 45 have none of their values left in the file.
TEST_F(ForensicCorpus, DeletedRowsComeBackAsTheAnswerKeysGiveThem) {
    std::string error;
    const std::optional<corpusscore::CorpusScore> score = corpusscore::scoreCorpus(QM_FORENSIC_CORPUS, "", error);
    ASSERT_TRUE(score) << error;
    const std::map<std::string, double> leastRecall = {{"0A", 0.99}, {"0B", 0.4}, {"0C", 1.0}, {"0D", 0.42}};
    for (const corpusscore::CategoryScore& c : score->categories) {
        SCOPED_TRACE(c.category);
        EXPECT_GE(c.tally.precision(), 0.95);
        EXPECT_EQ(c.tally.liveAsDeleted, 0);
        if (leastRecall.count(c.category)) {
            EXPECT_GE(c.tally.recall(), leastRecall.at(c.category));
        }
    }
}

// Rows of a table whose first column is no row id, deleted from pages of small row ids: a freed
// cell's first four bytes then held its length, row id, header length and the first column's
// type, all taken by the free-space chain. Deleted one by one and next to one another (their
// blocks joined), each comes back with every value whole where the length left for the first
// value tells its type; where it does not (an empty value: NULL, 0 or 1), no row is made up.
TEST_F(ForensicCorpus, FreedCellsWhoseFirstTypeWasLostComeBackWhole) {
    const char* sql =
        "PRAGMA page_size=4096; PRAGMA secure_delete=OFF;"
        "CREATE TABLE t (code INT NOT NULL, name TEXT, price REAL, note TEXT);"
        "CREATE TABLE u (label TEXT NOT NULL, n INT);"
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 40) "
        "INSERT INTO t SELECT CASE WHEN x % 9 = 0 THEN x % 2 ELSE x * 7919 * x END, printf('name %d', x), "
        "x * 1.25, CASE WHEN x % 4 = 0 THEN NULL ELSE printf('note of %d', x) END FROM c;"
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 30) "
        "INSERT INTO u SELECT printf('label %d', x * 31), x FROM c;"
        // One by one, in no order; then runs next to one another, whose blocks join.
        "DELETE FROM t WHERE rowid IN (3, 17, 9, 30, 12);"
        "DELETE FROM t WHERE rowid BETWEEN 20 AND 26;"
        "DELETE FROM u WHERE rowid IN (2, 5, 6, 7, 19);";
    const std::vector<carve::CarvedTable> tables = writeAndCarve("FirstType", sql, {"t", "u"});
    ASSERT_EQ(tables.size(), 2u);
    auto text = [](const carve::CarvedValue& v) { return std::string(v.bytesView()); };
    std::map<std::string, std::vector<std::string>> deletedT;
    for (const carve::CarvedRecord& row : tables[0].deleted) {
        ASSERT_EQ(row.values.size(), 4u);
        deletedT[text(row.values[1])] = {std::to_string(row.values[0].integer), std::to_string(row.values[2].asReal()),
                                         row.values[3].type == carve::CarvedValue::null ? "NULL" : text(row.values[3])};
    }
    std::map<std::string, std::vector<std::string>> expected;
    for (int x : {3, 17, 9, 30, 12, 20, 21, 22, 23, 24, 25, 26}) {
        if (x % 9 == 0) continue;  // a code of 0 or 1 leaves its value no bytes
        expected["name " + std::to_string(x)] = {std::to_string(int64_t{x} * 7919 * x), std::to_string(x * 1.25),
                                                 x % 4 == 0 ? "NULL" : "note of " + std::to_string(x)};
    }
    EXPECT_EQ(deletedT, expected);
    std::vector<std::string> labels;
    for (const carve::CarvedRecord& row : tables[1].deleted) {
        ASSERT_EQ(row.values.size(), 2u);
        labels.push_back(text(row.values[0]) + " " + std::to_string(row.values[1].integer));
    }
    std::sort(labels.begin(), labels.end());
    EXPECT_EQ(labels,
              (std::vector<std::string>{"label 155 5", "label 186 6", "label 217 7", "label 589 19", "label 62 2"}));
}

// Two tables laid out alike, whose row ids are no column of theirs, dropped: their pages go to
// the free list whole, and the carver, which tells tables apart by their layout alone, reads the
// rows of both as rows of one. Each comes back once though both tables gave the same row ids.
TEST_F(ForensicCorpus, DroppedTablesLaidOutAlikeComeBackWhole) {
    const char* sql =
        "PRAGMA page_size=1024; PRAGMA secure_delete=OFF;"
        "CREATE TABLE kept (id INT NOT NULL, name TEXT, n INT);"
        "CREATE TABLE a (id INT NOT NULL, name TEXT, n INT);"
        "CREATE TABLE b (id INT NOT NULL, name TEXT, n INT);"
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 60) "
        "INSERT INTO a SELECT 1000 + x, printf('a row %d', x), x * 3 FROM c;"
        "WITH RECURSIVE c(x) AS (SELECT 1 UNION ALL SELECT x + 1 FROM c WHERE x < 60) "
        "INSERT INTO b SELECT 2000 + x, printf('b row %d', x), x * 5 FROM c;"
        // A live row of the same layout, of a row id neither dropped table gave.
        "INSERT INTO kept (rowid, id, name, n) VALUES (500, 7, 'kept', 1);"
        "DROP TABLE a; DROP TABLE b;";
    const std::vector<carve::CarvedTable> tables = writeAndCarve("Alike", sql, {"kept"});
    ASSERT_EQ(tables.size(), 1u);
    std::map<std::string, int> names;
    for (const carve::CarvedRecord& row : tables[0].deleted) {
        ASSERT_EQ(row.values.size(), 3u);
        const std::string name(row.values[1].bytesView());
        const bool inA = name.rfind("a row ", 0) == 0;
        const int x = std::stoi(name.substr(6));
        EXPECT_EQ(row.values[0].integer, (inA ? 1000 : 2000) + x) << name;
        EXPECT_EQ(row.values[2].integer, x * (inA ? 3 : 5)) << name;
        ++names[name];
    }
    EXPECT_EQ(names.size(), 120u);
    for (const auto& [name, count] : names) EXPECT_EQ(count, 1) << name;
}

// Every database of the corpus stands in for each database of a backup in turn: the readers and
// the carvers (of both schema generations) take it without a crash, a hang or a sanitizer's word.
TEST_F(ForensicCorpus, EveryDatabaseIsReadAndCarvedAsEachOfABackupsDatabases) {
    static const char* const kNames[] = {backupkeys::addressBook, backupkeys::messages,  backupkeys::notes,
                                         backupkeys::callHistory, backupkeys::bookmarks, backupkeys::calendar};
    const std::string folder = testsupport::scratchDirectory("Backup");
    const std::vector<std::string> files = corpusFiles();
    testsupport::captureLog("quillomatrix.backup");  // no manifest, no property lists: said for each file
    for (size_t k = 0; k < files.size(); ++k) {
        SCOPED_TRACE(files[k]);
        for (const char* name : kNames)
            fs::copy_file(files[k], folder + "/" + name, fs::copy_options::overwrite_existing);
        PRBackupScanState readers;
        NSNotificationCenter center;
        runBackupReaders(folder, readers, center);
        PRBackupScanState carving;
        carving.currentNodeIsiOS6Version = carving.bIOS7DeviceNode = k % 2 == 0;
        carve::CarveContext carve(carving, center);
        carve.log = [](const std::string&) {};
        carve::carveAll(carve, folder);
    }
    testsupport::capturedLog();
}

}  // namespace
