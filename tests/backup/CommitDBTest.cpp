#include "TestSupport.h"
#include "backup/CommitDB.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sstream>

namespace {

namespace fs = std::filesystem;

class CommitDB : public testsupport::HomeTest {
protected:
    std::string dir = testsupport::scratchDirectory("db");
    std::string path = dir + "/calls.db";

    // Rows counted in a copy of the main file alone, as a reader that ignores the journal sees them.
    int rowsInMainFile() {
        const std::string copy = dir + "/copy.db";
        fs::remove(copy);
        fs::remove(copy + "-wal");
        fs::copy_file(path, copy);
        sqlite3* db = nullptr;
        int rows = -1;
        if (sqlite3_open_v2(copy.c_str(), &db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK) {
            sqlite3_stmt* statement = nullptr;
            if (sqlite3_prepare_v2(db, "SELECT count(*) FROM call", -1, &statement, nullptr) == SQLITE_OK &&
                sqlite3_step(statement) == SQLITE_ROW)
                rows = sqlite3_column_int(statement, 0);
            sqlite3_finalize(statement);
        }
        sqlite3_close(db);
        return rows;
    }

    std::string contents(const std::string& file) {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream out;
        out << in.rdbuf();
        return out.str();
    }
};

TEST_F(CommitDB, RowsOnlyInTheJournalReachTheMainFile) {
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "PRAGMA journal_mode=WAL; CREATE TABLE call(id INTEGER); PRAGMA wal_checkpoint;",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_wal_autocheckpoint(db, 0);
    ASSERT_EQ(sqlite3_exec(db, "INSERT INTO call VALUES (1), (2), (3);", nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_db_config(db, SQLITE_DBCONFIG_NO_CKPT_ON_CLOSE, 1, nullptr);
    sqlite3_close(db);
    ASSERT_TRUE(fs::exists(path + "-wal"));
    ASSERT_EQ(rowsInMainFile(), 0);

    commitDB(path);
    EXPECT_EQ(rowsInMainFile(), 3);
    EXPECT_FALSE(fs::exists(path + "-wal") && fs::file_size(path + "-wal") > 0);
}

TEST_F(CommitDB, NothingIsCreatedOrChangedWhereThereIsNoDatabase) {
    commitDB(dir + "/absent.db");
    EXPECT_FALSE(fs::exists(dir + "/absent.db"));

    const std::string text = dir + "/notes.txt";
    std::ofstream(text) << "not a database at all, but long enough to be mistaken for a header? no.";
    commitDB(text);
    EXPECT_EQ(contents(text), "not a database at all, but long enough to be mistaken for a header? no.");
    EXPECT_FALSE(fs::exists(text + "-wal"));
}

}  // namespace
