#include "browser/core/PersonalDatabases.h"

#include <sys/stat.h>

const std::vector<PersonalDatabase>& personalDatabases() {
    static const std::vector<PersonalDatabase> list = {
        {"Contacts", {"31bb7ba8914766d4ba40d6dfb6113c8b614be442"}, "the contacts", "contacts"},
        {"Messages", {"3d0d7e5fb2ce288813306e4d4636395e047a3d28"}, "the messages", "messages"},
        {"Notes",
         {"ca3bc056d4da0bbf88b5fb3be254f3b7147e639c", "740b7eaf93d6ea5d305e88bb349c8e9643f48c3b"},
         "the notes",
         "notes"},
        {"Call History",
         {"2b2b0084a1bc3a5ac8c27afdf14afb42c61a19ca", "ff1324e6b949111b2fb449ecddb50c89c3699a78"},
         "the call history",
         "calls"},
        {"Bookmarks",
         {"d1f062e2da26192a6625d968274bfda8d07821e4", "04cc352fd9943f7c0c3f0781d4834fa137775761"},
         "the bookmarks",
         "bookmarks"},
        {"Calendar", {"2041457d5fe04d39d0ab481178355df6781e6858"}, "the calendar", "calendar items"},
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
