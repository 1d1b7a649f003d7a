// The deletes in a backup's databases, on backup folders written by the fixture makers: every
// schema and file name the backups use, rows still in the journals, and missing or damaged files.
#include "SampleDatabases.h"
#include "TestSupport.h"
#include "backup/BackupFileKeys.h"
#include "clean/core/BackupDatabaseCleaner.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <sqlite3.h>

namespace fs = std::filesystem;
using clean::BackupDatabaseCleaner;
using clean::DatabaseCleanResult;

namespace {

// Rows of a table, those in the journal included; -1 when it cannot be read.
int rows(const std::string& path, const std::string& table) {
    sqlite3* db = nullptr;
    int count = -1;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE, nullptr) == SQLITE_OK) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db, ("select count(*) from " + table).c_str(), -1, &statement, nullptr) == SQLITE_OK &&
            sqlite3_step(statement) == SQLITE_ROW)
            count = sqlite3_column_int(statement, 0);
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return count;
}

class BackupDatabaseCleanerTest : public testsupport::HomeTest {
protected:
    std::string backup(const sampledb::BackupSchemas& schemas, const std::string& name = "backup") {
        const std::string folder = testsupport::scratchDirectory(name);
        sampledb::writeBackupDatabases(folder, data, schemas);
        return folder;
    }
    sampledb::SampleData data = sampledb::makeSampleData({.contacts = 30,
                                                          .conversations = 5,
                                                          .messages = 80,
                                                          .calls = 40,
                                                          .notes = 8,
                                                          .history = 5,
                                                          .calendarItems = 5});
};

TEST_F(BackupDatabaseCleanerTest, CallHistoryUnderEitherNameIsEmptiedWithoutAJournalLeft) {
    for (bool oldName : {false, true}) {
        sampledb::BackupSchemas schemas;
        schemas.oldCallHistoryName = oldName;
        const std::string folder = backup(schemas, oldName ? "old" : "new");
        const std::string file = folder + "/" + (oldName ? backupkeys::callHistoryOld : backupkeys::callHistory);
        ASSERT_TRUE(fs::exists(file + "-wal")) << "some calls still lie in the journal";

        EXPECT_EQ(BackupDatabaseCleaner::cleanCallHistory(folder), DatabaseCleanResult::Cleaned);
        EXPECT_FALSE(fs::exists(file + "-wal") && fs::file_size(file + "-wal") > 0);
        EXPECT_EQ(rows(file, "call"), 0);
        EXPECT_GE(rows(file, "data"), 0) << "the other tables stay";
        // The other name is not made.
        EXPECT_FALSE(fs::exists(folder + "/" + (oldName ? backupkeys::callHistory : backupkeys::callHistoryOld)));
    }
}

TEST_F(BackupDatabaseCleanerTest, MissingOrDamagedDatabases) {
    const std::string empty = testsupport::scratchDirectory("empty");
    EXPECT_EQ(BackupDatabaseCleaner::cleanCallHistory(empty), DatabaseCleanResult::NoDatabase);
    EXPECT_EQ(BackupDatabaseCleaner::cleanCallHistory(""), DatabaseCleanResult::NoDatabase);
    EXPECT_EQ(BackupDatabaseCleaner::cleanContacts(empty), DatabaseCleanResult::NoDatabase);
    EXPECT_EQ(BackupDatabaseCleaner::cleanMessages(empty, true), DatabaseCleanResult::NoDatabase);
    EXPECT_EQ(BackupDatabaseCleaner::cleanNotes(empty), DatabaseCleanResult::NoDatabase);
    EXPECT_EQ(BackupDatabaseCleaner::cleanSafari(empty), DatabaseCleanResult::NoDatabase);
    EXPECT_TRUE(fs::is_empty(empty)) << "no database is created";

    // A folder where the database should be, a file that is no database, a database without
    // the table: nothing is deleted, and the caller hears of it.
    fs::create_directory(empty + "/" + backupkeys::callHistory);
    EXPECT_EQ(BackupDatabaseCleaner::cleanCallHistory(empty), DatabaseCleanResult::NoDatabase);
    const std::string damaged = testsupport::scratchDirectory("damaged");
    std::ofstream(damaged + "/" + backupkeys::callHistory) << std::string(4096, 'x');
    EXPECT_EQ(BackupDatabaseCleaner::cleanCallHistory(damaged), DatabaseCleanResult::Failed);
    const std::string other = testsupport::scratchDirectory("other");
    sampledb::writeBookmarks(other + "/" + backupkeys::callHistory, data.bookmarks);
    EXPECT_EQ(BackupDatabaseCleaner::cleanCallHistory(other), DatabaseCleanResult::Failed);
    EXPECT_GT(rows(other + "/" + backupkeys::callHistory, "bookmarks"), 0);
}

TEST_F(BackupDatabaseCleanerTest, TheOtherCleanersEmptyTheirTablesInEachSchema) {
    const std::string folder = backup({});
    const std::string contacts = folder + "/" + backupkeys::addressBook;
    const std::string images = folder + "/" + backupkeys::addressBookImages;
    const std::string messages = folder + "/" + backupkeys::messages;
    ASSERT_GT(rows(contacts, "ABPerson"), 0);
    ASSERT_GT(rows(images, "ABFullSizeImage"), 0);
    const int multiValues = rows(contacts, "ABMultiValue");

    EXPECT_EQ(BackupDatabaseCleaner::cleanContacts(folder), DatabaseCleanResult::Cleaned);
    EXPECT_EQ(rows(contacts, "ABPerson"), 0);
    EXPECT_EQ(rows(images, "ABFullSizeImage"), 0);
    EXPECT_EQ(rows(contacts, "ABMultiValue"), multiValues) << "only the people are deleted";

    ASSERT_GT(rows(messages, "attachment"), 0);
    const int chats = rows(messages, "chat");
    EXPECT_EQ(BackupDatabaseCleaner::cleanMessages(folder, true), DatabaseCleanResult::Cleaned);
    for (const char* table : {"message", "handle", "attachment", "message_attachment_join"})
        EXPECT_EQ(rows(messages, table), 0) << table;
    EXPECT_EQ(rows(messages, "chat"), chats);

    EXPECT_EQ(BackupDatabaseCleaner::cleanNotes(folder), DatabaseCleanResult::Cleaned);
    EXPECT_EQ(rows(folder + "/" + backupkeys::notes, "ZNOTE"), 0);
    EXPECT_EQ(rows(folder + "/" + backupkeys::notes, "ZNOTEBODY"), 0);

    EXPECT_EQ(BackupDatabaseCleaner::cleanSafari(folder), DatabaseCleanResult::Cleaned);
    EXPECT_EQ(rows(folder + "/" + backupkeys::bookmarks, "bookmarks"), 0);

    // Older backups: messages kept in group_member, notes in the older notes database.
    sampledb::BackupSchemas older;
    older.messages = sampledb::MessageSchema::ios5;
    older.notes = sampledb::NotesSchema::legacy;
    const std::string old = backup(older, "older");
    const std::string oldMessages = old + "/" + backupkeys::messages;
    ASSERT_GT(rows(oldMessages, "group_member"), 0);
    EXPECT_EQ(BackupDatabaseCleaner::cleanMessages(old, false), DatabaseCleanResult::Cleaned);
    EXPECT_EQ(rows(oldMessages, "message"), 0);
    EXPECT_EQ(rows(oldMessages, "group_member"), 0);
    // A backup of iOS 6 with conversations still in group_member.
    sampledb::BackupSchemas mixed;
    mixed.messages = sampledb::MessageSchema::ios6WithoutHandle;
    const std::string third = backup(mixed, "mixed");
    EXPECT_EQ(BackupDatabaseCleaner::cleanMessages(third, true), DatabaseCleanResult::Cleaned);
    EXPECT_EQ(rows(third + "/" + backupkeys::messages, "message"), 0);

    const std::string oldNotes = BackupDatabaseCleaner::databaseIn(old, backupkeys::notes, backupkeys::notesOld);
    ASSERT_FALSE(oldNotes.empty());
    EXPECT_EQ(BackupDatabaseCleaner::cleanNotes(old), DatabaseCleanResult::Cleaned);
    EXPECT_EQ(rows(oldNotes, "note"), 0);
    EXPECT_EQ(rows(oldNotes, "note_bodies"), 0);
}

}  // namespace
