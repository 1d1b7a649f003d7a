// make-sample-databases FOLDER [options]: writes a backup's personal databases into FOLDER
// under their backup file names and prints, one per line, the manifest records that name them
// ("domain<TAB>path<TAB>file name").
#include "SampleDatabases.h"
#include "platform/Paths.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstring>
#include <string>

namespace {

int usage() {
    std::fprintf(
        stderr,
        "usage: make-sample-databases FOLDER [--messages ios6|ios6-nohandle|ios5|ios5-fresh|\n"
        "       ios5-upgraded|ios4] [--notes coredata|legacy] [--calendar ios6|ios5|ios4]\n"
        "       [--images fullsize|mddata] [--old-call-history-name] [--xml-history] [--wal-only N] [--small]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return usage();
    QCoreApplication app(argc, argv);  // lets the image writers find their plug-ins
    const std::string folder = argv[1];
    sampledb::BackupSchemas schemas;
    sampledb::SampleSize size;
    for (int i = 2; i < argc; ++i) {
        const std::string option = argv[i];
        const std::string value = i + 1 < argc ? argv[i + 1] : "";
        auto takes = [&](const char* name) { return option == name && i + 1 < argc && (++i, true); };
        if (takes("--messages")) {
            if (value == "ios6")
                schemas.messages = sampledb::MessageSchema::ios6;
            else if (value == "ios6-nohandle")
                schemas.messages = sampledb::MessageSchema::ios6WithoutHandle;
            else if (value == "ios5")
                schemas.messages = sampledb::MessageSchema::ios5;
            else if (value == "ios5-fresh")
                schemas.messages = sampledb::MessageSchema::ios5Fresh;
            else if (value == "ios5-upgraded")
                schemas.messages = sampledb::MessageSchema::ios5Upgraded;
            else if (value == "ios4")
                schemas.messages = sampledb::MessageSchema::ios4;
            else
                return usage();
        } else if (takes("--notes")) {
            if (value == "coredata")
                schemas.notes = sampledb::NotesSchema::coreData;
            else if (value == "legacy")
                schemas.notes = sampledb::NotesSchema::legacy;
            else
                return usage();
        } else if (takes("--calendar")) {
            if (value == "ios6")
                schemas.calendar = sampledb::CalendarSchema::ios6;
            else if (value == "ios5")
                schemas.calendar = sampledb::CalendarSchema::ios5;
            else if (value == "ios4")
                schemas.calendar = sampledb::CalendarSchema::ios4;
            else
                return usage();
        } else if (takes("--images")) {
            if (value == "fullsize")
                schemas.images = sampledb::ImagesForm::fullSize;
            else if (value == "mddata")
                schemas.images = sampledb::ImagesForm::mddata;
            else
                return usage();
        } else if (takes("--wal-only")) {
            schemas.walOnly = std::atoi(value.c_str());
        } else if (option == "--old-call-history-name") {
            schemas.oldCallHistoryName = true;
        } else if (option == "--xml-history") {
            schemas.binaryHistory = false;
        } else if (option == "--small") {
            size = {20, 4, 120, 30, 8, 10, 12, true};
        } else {
            return usage();
        }
    }
    if (!paths::makeDirectories(folder)) {
        std::fprintf(stderr, "make-sample-databases: cannot create %s\n", folder.c_str());
        return 1;
    }
    const auto files = sampledb::writeBackupDatabases(folder, sampledb::makeSampleData(size), schemas);
    for (const auto& f : files) std::printf("%s\t%s\t%s\n", f.domain.c_str(), f.path.c_str(), f.fileName.c_str());
    return files.empty() ? 1 : 0;
}
