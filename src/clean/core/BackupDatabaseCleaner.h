// Deletes personal records from the databases of a legacy iTunes backup folder, found under
// their fixed backup file names. The privacy clean uses the call-history delete; the others
// (contacts, messages and their attachments, notes, bookmarks) are offered for the same kind
// of clean. Each folds the database's journal into its file first, and never creates a
// database that is not there.
#pragma once

#include <string>

namespace clean {

enum class DatabaseCleanResult {
    Cleaned,     // every delete ran to its end
    NoDatabase,  // the backup holds no such database
    Failed,      // the database could not be opened, or a delete could not run
};

class BackupDatabaseCleaner {
public:
    // The first of folder/name and folder/oldName that is a file, else "".
    static std::string databaseIn(const std::string& folder, const char* name, const char* oldName = nullptr);

    // "delete from call"; afterwards the backup's file alone holds the result (no journal is
    // left beside it that a restore would not carry).
    static DatabaseCleanResult cleanCallHistory(const std::string& backupFolder);
    // "delete from ABFullSizeImage" in the images database (when there is one), then
    // "delete from abperson".
    static DatabaseCleanResult cleanContacts(const std::string& backupFolder);
    // iOS 6 schema: the attachments, then "delete from handle" (or "group_member"), then
    // "delete from message"; older: "group_member" and "message".
    static DatabaseCleanResult cleanMessages(const std::string& backupFolder, bool iOS6);
    // "delete from attachment" and "delete from message_attachment_join" in one database file.
    static DatabaseCleanResult cleanMessageAttachments(const std::string& databasePath);
    // "NOTE" and "NOTE_BODIES", or "ZNOTE" and "ZNOTEBODY".
    static DatabaseCleanResult cleanNotes(const std::string& backupFolder);
    // "delete from bookmarks".
    static DatabaseCleanResult cleanSafari(const std::string& backupFolder);
};

}  // namespace clean
