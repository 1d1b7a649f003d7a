// backup-dump [--transfer | --carve] FOLDER: runs the backup browser's readers (or, with
// --transfer, the transfer pages' database readers) on an iTunes backup folder and prints every
// notification they post as one line of JSON; with --carve the deleted-record carvers run after
// the readers and their deleted records are printed the same way. Exits 0 after a complete run, 1 with a
// message when the folder is not a backup, 2 on wrong usage.
#include "BackupReaders.h"
#include "DeletedRecordCarvers.h"
#include "NotificationJson.h"

#include <cstdio>
#include <optional>
#include <string>
#include <sys/stat.h>

namespace {
constexpr size_t kFlushSize = 1 << 20;

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

bool isBackupFolder(const std::string& folder) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0 || !S_ISDIR(info.st_mode)) return false;
    return exists(folder + "/Manifest.mbdb") || exists(folder + "/Info.plist") || exists(folder + "/Manifest.plist");
}
}  // namespace

int main(int argc, char** argv) {
    const std::string option = argc == 3 ? argv[1] : "";
    const bool transfer = option == "--transfer";
    const bool carve = option == "--carve";
    if (argc != 2 && !transfer && !carve) {
        std::fprintf(stderr, "usage: backup-dump [--transfer | --carve] BACKUP-FOLDER\n");
        return 2;
    }
    std::string folder = argv[argc - 1];
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (!isBackupFolder(folder)) {
        std::fprintf(
            stderr, "backup-dump: %s is not an iTunes backup folder (no Manifest.mbdb, Info.plist or Manifest.plist)\n",
            folder.c_str());
        return 1;
    }

    NSNotificationCenter nc;
    int observer = 0;
    // The lines gather in one buffer that goes out in large writes.
    std::string lines;
    bool written = true;
    auto flush = [&] {
        if (!lines.empty() && std::fwrite(lines.data(), 1, lines.size(), stdout) != lines.size()) written = false;
        lines.clear();
    };
    for (const std::string& name : transfer ? transferReaderNotificationNames() : backupReaderNotificationNames())
        nc.addObserver(&observer, name, [&](const NSNotification& notification) {
            appendNotificationJson(lines, notification);
            lines += '\n';
            if (lines.size() >= kFlushSize) flush();
        });
    PRBackupScanState state;
    std::optional<DeletedRecordCarvers> carvers;
    if (carve) carvers.emplace(nc);
    if (transfer)
        runTransferReaders(folder, state, nc);
    else
        runBackupReaders(folder, state, nc, [&] {
            if (carvers) carvers->start(folder, state);
        });
    if (carvers) carvers->finish(folder, state);
    nc.removeObserver(&observer);
    flush();
    return std::fflush(stdout) == 0 && written ? 0 : 1;
}
