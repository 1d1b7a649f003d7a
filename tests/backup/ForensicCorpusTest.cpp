// The public SQLite Forensic Corpus (tests/data/sqlite-forensic-corpus): databases made to trip
// readers of the file format (odd names and quoting, keywords as names, UTF-16 texts, views,
// triggers, virtual tables, bytes reserved at each page's end, pointer-map pages, deleted and
// overwritten tables and rows). Its schemas read as SQLite reads them, its rows carve where
// SQLite has them, and every one of its files, taken for each of a backup's databases, is read
// and carved without fault.
#include "BackupReaders.h"
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

class ForensicCorpus : public testsupport::HomeTest {
protected:
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
        const std::optional<std::vector<carve::SchemaEntry>> schema = carve::readSchema(db);
        ASSERT_TRUE(schema);
        const std::optional<carve::TableColumns> users = carve::tableColumns(*schema, "USERS");
        ASSERT_TRUE(users);
        // Every column read, of the kind its affinity says, in the place the schema gives it.
        carve::KnownTable known{"users", {}, carve::LiveRows::values};
        for (const carve::SchemaColumn& column : users->columns)
            known.columns.push_back({column.name,
                                     column.affinity == carve::ColumnAffinity::integer ? carve::ColumnKind::integer
                                     : column.affinity == carve::ColumnAffinity::text  ? carve::ColumnKind::text
                                     : column.affinity == carve::ColumnAffinity::real  ? carve::ColumnKind::real
                                                                                       : carve::ColumnKind::any,
                                     carve::kRead});
        const std::optional<carve::RowShape> shape = carve::RowShape::make(known, *users, "the file's own");
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
