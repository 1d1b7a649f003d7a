// The check behind backupReadProblems: headers and lengths only, read-only, so that a scan
// can say which of a backup's files it could not read without ever writing to them.
#include "backup/BackupFileKeys.h"
#include "backup/ManifestRecordStream.h"
#include "backup/PreparedDatabase.h"
#include "browser/core/PRBackupScanJob.h"
#include "browser/core/PersonalDatabases.h"

#include <cctype>
#include <cstring>
#include <fstream>
#include <sys/stat.h>

namespace {

uint32_t bigEndian(const unsigned char* p, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v = (v << 8) | p[i];
    return v;
}

// Whether the file is a whole database: its header names the database format, and the file
// is as long as the pages its header counts.
bool wholeDatabase(const std::string& path, uint64_t size) {
    unsigned char header[100] = {};
    std::ifstream in(path, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(header), sizeof header)) return false;
    if (std::memcmp(header, "SQLite format 3", 16) != 0) return false;
    uint32_t pageSize = bigEndian(header + 16, 2);
    if (pageSize == 1) pageSize = 65536;
    if (pageSize < 512 || (pageSize & (pageSize - 1)) != 0) return false;
    const uint32_t pages = bigEndian(header + 28, 4);
    const bool countValid = bigEndian(header + 24, 4) == bigEndian(header + 92, 4);
    return !countValid || pages == 0 || uint64_t(pages) * pageSize <= size;
}

// The databases read beside the personal ones, whose journals are checked all the same.
const std::vector<PersonalDatabase>& otherReadDatabases() {
    static const std::vector<PersonalDatabase> list = {
        {"Contact pictures",
         {backupkeys::addressBookImages, backupkeys::addressBookImagesOld},
         "the contacts' pictures",
         "pictures"},
    };
    return list;
}

}  // namespace

std::vector<JournalProblem> backupJournalProblems(const std::string& folder) {
    std::vector<JournalProblem> problems;
    for (const auto* list : {&personalDatabases(), &otherReadDatabases()})
        for (const PersonalDatabase& db : *list) {
            const std::string path = personalDatabaseIn(folder, db);
            if (!path.empty() && PreparedDatabase::journalSetAside(path))
                problems.push_back({db.category, journalSetAsideText(db)});
        }
    return problems;
}

std::vector<std::string> backupReadProblems(const std::string& folder) {
    std::vector<std::string> problems;
    ManifestRecordStream manifest;
    if (!manifest.open(folder + "/Manifest.mbdb")) {
        problems.push_back("The list of the backup's files (Manifest.mbdb) could not be read.");
    } else {
        ManifestRecord record;
        uint64_t records = 0;
        while (manifest.next(record)) ++records;
        if (manifest.position() != manifest.fileSize())
            problems.push_back("The list of the backup's files (Manifest.mbdb) is damaged: only its first " +
                               std::to_string(records) + " records could be read.");
    }
    for (const PersonalDatabase& db : personalDatabases()) {
        const std::string path = personalDatabaseIn(folder, db);
        struct stat info {};
        if (path.empty() || ::stat(path.c_str(), &info) != 0) continue;
        if (!wholeDatabase(path, static_cast<uint64_t>(info.st_size)))
            problems.push_back(std::string(db.category) + " could not be read: the database is damaged.");
    }
    for (JournalProblem& journal : backupJournalProblems(folder)) {
        journal.text[0] = char(std::toupper(static_cast<unsigned char>(journal.text[0])));
        problems.push_back(journal.text + ".");
    }
    return problems;
}
