// Fuzz target over every carver: the input is a database file, and the write-ahead log beside
// it where one follows (from the first log header that starts at a multiple of 512 bytes). It is
// written under each carver's file name and every carver runs over it, in both schema
// generations.
#include "backup/BackupFileKeys.h"
#include "backup/carve/CarveAll.h"
#include "platform/ScratchFolder.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

// The carvers' files, in a folder removed when the process ends.
const std::string& scratch() {
    static ScratchFolder folder("carve-fuzz");
    if (folder.path().empty()) std::abort();
    return folder.path();
}

// Where the input's write-ahead log begins: the first log header at a multiple of 512 bytes
// past the start; size when there is none.
size_t logStart(const uint8_t* data, size_t size) {
    for (size_t at = 512; at + 4 <= size; at += 512)
        if (std::memcmp(data + at, "\x37\x7f\x06", 3) == 0 && (data[at + 3] & 0xfe) == 0x82) return at;
    return size;
}

bool write(const std::string& path, const uint8_t* data, size_t size) {
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    std::fwrite(data, 1, size, f);
    std::fclose(f);
    return true;
}

void carvers(const uint8_t* data, size_t size, bool newer) {
    const std::string& folder = scratch();
    static const char* const names[] = {backupkeys::addressBook, backupkeys::messages,  backupkeys::notes,
                                        backupkeys::callHistory, backupkeys::bookmarks, backupkeys::calendar};
    const size_t log = logStart(data, size);
    for (const char* name : names) {
        const std::string path = folder + "/" + name;
        if (!write(path, data, log)) return;
        ::unlink((path + "-wal").c_str());
        if (log < size && !write(path + "-wal", data + log, size - log)) return;
    }
    PRBackupScanState state;
    state.currentNodeIsiOS6Version = newer;
    state.bIOS7DeviceNode = newer;
    NSNotificationCenter nc;
    carve::CarveContext context(state, nc);
    context.log = [](const std::string&) {};
    carve::carveAll(context, folder);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size > (1u << 20)) return 0;
    carvers(data, size, size % 2 == 0);
    return 0;
}
