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

namespace backupkeys {
inline constexpr const char* callHistory = "2b2b0084a1bc3a5ac8c27afdf14afb42c61a19ca";
inline constexpr const char* callHistoryOld = "ff1324e6b949111b2fb449ecddb50c89c3699a78";
inline constexpr const char* contacts = "31bb7ba8914766d4ba40d6dfb6113c8b614be442";
inline constexpr const char* contactImages = "cd6702cea29fe89cf280a76794405adb17f9a0ee";
inline constexpr const char* messages = "3d0d7e5fb2ce288813306e4d4636395e047a3d28";
inline constexpr const char* notes = "ca3bc056d4da0bbf88b5fb3be254f3b7147e639c";
inline constexpr const char* notesOld = "740b7eaf93d6ea5d305e88bb349c8e9643f48c3b";
inline constexpr const char* bookmarks = "d1f062e2da26192a6625d968274bfda8d07821e4";
inline constexpr const char* bookmarksOld = "04cc352fd9943f7c0c3f0781d4834fa137775761";
}  // namespace backupkeys

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
