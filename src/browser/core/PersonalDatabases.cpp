#include "browser/core/PersonalDatabases.h"

#include "backup/BackupFileKeys.h"

#include <sys/stat.h>

const std::vector<PersonalDatabase>& personalDatabases() {
    static const std::vector<PersonalDatabase> list = {
        {"Contacts", {backupkeys::addressBook}, "the contacts", "contacts"},
        {"Messages", {backupkeys::messages}, "the messages", "messages"},
        {"Notes", {backupkeys::notes, backupkeys::notesOld}, "the notes", "notes"},
        {"Call History", {backupkeys::callHistory, backupkeys::callHistoryOld}, "the call history", "calls"},
        {"Bookmarks", {backupkeys::bookmarks, backupkeys::bookmarksOld}, "the bookmarks", "bookmarks"},
        {"Calendar", {backupkeys::calendar}, "the calendar", "calendar items"},
    };
    return list;
}

std::string personalDatabaseIn(const std::string& folder, const PersonalDatabase& database) {
    for (const char* name : database.names) {
        const std::string path = folder + "/" + name;
        struct stat info {};
        if (::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode)) return path;
    }
    return {};
}

std::string journalSetAsideText(const PersonalDatabase& database) {
    return std::string("the journal of ") + database.holder + " could not be read; " + database.records +
           " as of the last checkpoint";
}
