// Deleted rows come back whatever layout a phone's history left their table in: columns moved,
// names quoted, columns added by ALTER TABLE between rows (the older rows stay shorter), a
// statement that does not parse; and the carve says which layout it read each table by.
#include "CarveTestSupport.h"
#include "FixtureDatabase.h"
#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "backup/carve/CarveContext.h"
#include "backup/carve/DelCallHistoryCarver.h"
#include "backup/layouts/IosSchemas.h"

#include <set>
#include <string>
#include <vector>

using namespace carvetest;

namespace {

class CarveLayouts : public CarveTest {
protected:
    CarveLayouts() {
        context.layoutNote = [this](const std::string&, const std::string& note) { notes.push_back(note); };
    }

    // Calls 1 to count written into the call table through columns (a list of names), each
    // with its own address; every third then deleted.
    void addCalls(carvefix::FixtureDatabase& db, const std::vector<std::string>& columns, int first, int count) {
        std::string names, marks;
        for (const std::string& column : columns) {
            names += (names.empty() ? "" : ", ") + column;
            marks += marks.empty() ? "?" : ", ?";
        }
        for (int i = first; i < first + count; ++i) {
            std::vector<carvefix::Value> values;
            for (const std::string& column : columns) {
                if (column == "address")
                    values.emplace_back(address(i));
                else if (column == "date")
                    values.emplace_back(int64_t{1300000000} + 3600 * i);
                else if (column == "flags")
                    values.emplace_back(int64_t{i % 2 ? 5 : 4});
                else
                    values.emplace_back(int64_t{i});
            }
            db.run("INSERT INTO call (" + names + ") VALUES (" + marks + ")", values);
            (i % 3 == 0 ? deleted : live).insert(address(i));
        }
    }
    static std::string address(int i) { return "+1555000" + std::to_string(1000 + i); }

    // The addresses of the calls the carver gave back.
    std::set<std::string> carve() {
        carve::DelCallHistoryCarver(context).scanDelCallHistoryThread(folder());
        std::set<std::string> carved;
        for (const PRCallHistoryNodePtr& call : posted(notices::ScanDelCallHistoryInfo))
            carved.insert(call->callPhone());
        return carved;
    }

    std::string path() const { return file(backupkeys::callHistory); }

    std::set<std::string> live, deleted;
    std::vector<std::string> notes;
};

const std::vector<std::string> kCallColumns = {"address", "date", "duration", "flags", "name"};

TEST_F(CarveLayouts, RowsOfATableGrownByAlterTableComeBackFromEveryStageOfIt) {
    // The call table of iOS 6, then two columns added by later updates, with calls written and
    // deleted at each stage: the older rows are shorter, and no known layout is as long as the
    // middle ones.
    {
        carvefix::FixtureDatabase db(path(), 4096, false);
        db.exec(iosschema::tableStatement(iosschema::callHistory(iosschema::Ios::v6), "call"));
        db.exec("BEGIN;");
        addCalls(db, kCallColumns, 1, 30);
        db.exec("COMMIT; ALTER TABLE call ADD COLUMN answered INTEGER DEFAULT 1; BEGIN;");
        addCalls(db, kCallColumns, 31, 30);
        db.exec("COMMIT; ALTER TABLE call ADD COLUMN junk_state INTEGER; BEGIN;");
        std::vector<std::string> columns = kCallColumns;
        columns.push_back("junk_state");
        addCalls(db, columns, 61, 30);
        db.exec("COMMIT; DELETE FROM call WHERE ROWID % 3 = 0;");
        ASSERT_TRUE(db.ok());
    }
    EXPECT_EQ(carve(), deleted);
    EXPECT_EQ(notes, std::vector<std::string>{"call: the file's own layout"});
}

TEST_F(CarveLayouts, MovedAndQuotedColumnsAreReadByName) {
    {
        carvefix::FixtureDatabase db(path(), 1024, false);
        db.exec(
            "CREATE TABLE \"call\" ( -- the calls, (quoted\n"
            "[ROWID] INTEGER PRIMARY KEY AUTOINCREMENT, `flags` \"INTEGER\" NOT NULL DEFAULT 4, 'name' TEXT /* ( */,"
            "\"date\" INTEGER CHECK (date > 0), address TEXT COLLATE NOCASE, id INTEGER, [duration] INTEGER)");
        db.exec("BEGIN;");
        addCalls(db, kCallColumns, 1, 60);
        db.exec("COMMIT; DELETE FROM call WHERE ROWID % 3 = 0;");
        ASSERT_TRUE(db.ok());
    }
    EXPECT_EQ(carve(), deleted);
    EXPECT_EQ(notes, std::vector<std::string>{"call: the file's own layout"});
}

TEST_F(CarveLayouts, AStatementThatDoesNotParseLeavesTheLayoutsPhonesGaveTheTable) {
    {
        carvefix::FixtureDatabase db(path(), 4096, false);
        db.exec(iosschema::callHistory(iosschema::Ios::v6));
        db.exec("BEGIN;");
        addCalls(db, kCallColumns, 1, 60);
        db.exec("COMMIT; DELETE FROM call WHERE ROWID % 3 = 0;");
        db.exec("PRAGMA writable_schema=ON;");
        db.exec(
            "UPDATE sqlite_master SET sql = 'CREATE TABLE call (ROWID INTEGER PRIMARY KEY, address TEXT, (' "
            "WHERE name = 'call';");
        ASSERT_TRUE(db.ok());
    }
    EXPECT_EQ(carve(), deleted);
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_NE(notes[0].find("call: its CREATE TABLE could not be read; served: the layout of iOS 6"), std::string::npos)
        << notes[0];
}

TEST_F(CarveLayouts, ATableWithoutTheColumnsACallNeedsIsNotReadAsCalls) {
    // A table of that name holding something else: its rows are nobody's calls.
    {
        carvefix::FixtureDatabase db(path(), 4096, false);
        db.exec("CREATE TABLE call (ROWID INTEGER PRIMARY KEY, address TEXT, date INTEGER, note TEXT)");
        db.exec("BEGIN;");
        addCalls(db, {"address", "date"}, 1, 30);
        db.exec("COMMIT; DELETE FROM call WHERE ROWID % 3 = 0;");
        ASSERT_TRUE(db.ok());
    }
    EXPECT_TRUE(carve().empty());
    ASSERT_EQ(notes.size(), 1u);
    EXPECT_EQ(notes[0], "call: the file's table lacks duration, flags: not carved");
}

}  // namespace
