#include "clean/core/BackupDatabaseCleaner.h"

#include "backup/BackupFileKeys.h"
#include "backup/CommitDB.h"
#include "platform/LogCategories.h"

#include <QtDebug>
#include <sqlite3.h>
#include <sys/stat.h>

namespace clean {

namespace {

bool isFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

// Size of a file, 0 when there is none.
off_t sizeOf(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? info.st_size : 0;
}

// An open database, closed when it goes.
class Database {
public:
    explicit Database(const std::string& path) {
        if (sqlite3_open_v2(path.c_str(), &db_, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
            sqlite3_close(db_);
            db_ = nullptr;
        }
    }
    ~Database() { sqlite3_close(db_); }
    Database(const Database&) = delete;
    Database& operator=(const Database&) = delete;
    bool isOpen() const { return db_ != nullptr; }

    enum class Run { Done, NotPrepared, Failed };
    // Prepares sql and steps it until it stops yielding rows.
    Run execute(const char* sql) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(db_, sql, -1, &statement, nullptr) != SQLITE_OK || !statement) {
            sqlite3_finalize(statement);
            return Run::NotPrepared;
        }
        int status;
        while ((status = sqlite3_step(statement)) == SQLITE_ROW) {}
        sqlite3_finalize(statement);
        if (status != SQLITE_DONE) qCInfo(lcClean, "%s failed: %s", sql, sqlite3_errmsg(db_));
        return status == SQLITE_DONE ? Run::Done : Run::Failed;
    }
    // sql, or fallback when sql cannot be prepared (a table of another schema).
    bool executeEither(const char* sql, const char* fallback) {
        const Run run = execute(sql);
        if (run == Run::NotPrepared && fallback) return execute(fallback) == Run::Done;
        return run == Run::Done;
    }

private:
    sqlite3* db_ = nullptr;
};

// Runs the statements (each with its fallback) in order on path; stops at the first failure.
DatabaseCleanResult cleanDatabase(const std::string& path,
                                  std::initializer_list<std::pair<const char*, const char*>> statements) {
    commitDB(path);
    Database db(path);
    if (!db.isOpen()) return DatabaseCleanResult::Failed;
    for (const auto& [sql, fallback] : statements)
        if (!db.executeEither(sql, fallback)) return DatabaseCleanResult::Failed;
    return DatabaseCleanResult::Cleaned;
}

}  // namespace

std::string BackupDatabaseCleaner::databaseIn(const std::string& folder, const char* name, const char* oldName) {
    if (folder.empty()) return {};
    if (std::string path = folder + "/" + name; isFile(path)) return path;
    if (oldName)
        if (std::string path = folder + "/" + oldName; isFile(path)) return path;
    return {};
}

DatabaseCleanResult BackupDatabaseCleaner::cleanCallHistory(const std::string& backupFolder) {
    const std::string path = databaseIn(backupFolder, backupkeys::callHistory, backupkeys::callHistoryOld);
    if (path.empty()) return DatabaseCleanResult::NoDatabase;
    DatabaseCleanResult result = cleanDatabase(path, {{"delete from call", nullptr}});
    commitDB(path);
    // Rows still in a journal beside the file would not reach the device.
    if (result == DatabaseCleanResult::Cleaned && sizeOf(path + "-wal") > 0) result = DatabaseCleanResult::Failed;
    return result;
}

DatabaseCleanResult BackupDatabaseCleaner::cleanContacts(const std::string& backupFolder) {
    const std::string contacts = databaseIn(backupFolder, backupkeys::addressBook);
    if (contacts.empty()) {
        qCInfo(lcClean, "contactDB is not exist");
        return DatabaseCleanResult::NoDatabase;
    }
    const std::string images = databaseIn(backupFolder, backupkeys::addressBookImages);
    if (!images.empty() &&
        cleanDatabase(images, {{"delete from ABFullSizeImage", nullptr}}) != DatabaseCleanResult::Cleaned)
        return DatabaseCleanResult::Failed;
    return cleanDatabase(contacts, {{"delete from abperson", nullptr}});
}

DatabaseCleanResult BackupDatabaseCleaner::cleanMessageAttachments(const std::string& databasePath) {
    if (!isFile(databasePath)) return DatabaseCleanResult::NoDatabase;
    return cleanDatabase(databasePath,
                         {{"delete from attachment", nullptr}, {"delete from message_attachment_join", nullptr}});
}

DatabaseCleanResult BackupDatabaseCleaner::cleanMessages(const std::string& backupFolder, bool iOS6) {
    const std::string path = databaseIn(backupFolder, backupkeys::messages);
    if (path.empty()) return DatabaseCleanResult::NoDatabase;
    if (!iOS6) return cleanDatabase(path, {{"delete from group_member", nullptr}, {"delete from message", nullptr}});
    if (cleanMessageAttachments(path) != DatabaseCleanResult::Cleaned) return DatabaseCleanResult::Failed;
    return cleanDatabase(path, {{"delete from handle", "delete from group_member"}, {"delete from message", nullptr}});
}

DatabaseCleanResult BackupDatabaseCleaner::cleanNotes(const std::string& backupFolder) {
    const std::string path = databaseIn(backupFolder, backupkeys::notes, backupkeys::notesOld);
    if (path.empty()) {
        qCInfo(lcClean, "messageDB is not exist");
        return DatabaseCleanResult::NoDatabase;
    }
    return cleanDatabase(
        path, {{"delete from NOTE", "delete from ZNOTE"}, {"delete from NOTE_BODIES", "delete from ZNOTEBODY"}});
}

DatabaseCleanResult BackupDatabaseCleaner::cleanSafari(const std::string& backupFolder) {
    const std::string path = databaseIn(backupFolder, backupkeys::bookmarks, backupkeys::bookmarksOld);
    if (path.empty()) {
        qCInfo(lcClean, "messageDB is not exist");
        return DatabaseCleanResult::NoDatabase;
    }
    return cleanDatabase(path, {{"delete from bookmarks", nullptr}});
}

}  // namespace clean
