// The check behind backupReadProblems: headers and lengths only, read-only, so that a scan
// can say which of a backup's files it could not read without ever writing to them.
#include "backup/ManifestRecordStream.h"
#include "browser/core/PRBackupScanJob.h"

#include <cstring>
#include <fstream>
#include <sys/stat.h>

namespace {

struct Database {
    const char* category;
    std::vector<const char*> names;  // the backup file names, newest layout first
};

const std::vector<Database>& databases() {
    static const std::vector<Database> list = {
        {"Contacts", {"31bb7ba8914766d4ba40d6dfb6113c8b614be442"}},
        {"Messages", {"3d0d7e5fb2ce288813306e4d4636395e047a3d28"}},
        {"Notes", {"ca3bc056d4da0bbf88b5fb3be254f3b7147e639c", "740b7eaf93d6ea5d305e88bb349c8e9643f48c3b"}},
        {"Call History", {"2b2b0084a1bc3a5ac8c27afdf14afb42c61a19ca", "ff1324e6b949111b2fb449ecddb50c89c3699a78"}},
        {"Bookmarks", {"d1f062e2da26192a6625d968274bfda8d07821e4", "04cc352fd9943f7c0c3f0781d4834fa137775761"}},
        {"Calendar", {"2041457d5fe04d39d0ab481178355df6781e6858"}},
    };
    return list;
}

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

}  // namespace

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
    for (const Database& db : databases()) {
        for (const char* name : db.names) {
            const std::string path = folder + "/" + name;
            struct stat info {};
            if (::stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) continue;
            if (!wholeDatabase(path, static_cast<uint64_t>(info.st_size)))
                problems.push_back(std::string(db.category) + " could not be read: the database is damaged.");
            break;
        }
    }
    return problems;
}
