// make-sample-backup ROOT: writes the sample iTunes backups into the folder ROOT (the
// backup folder of a sample home), one sub-folder per device, and prints their paths. The iPhone
// backup also gets deleted rows of every kind, so that recovering deleted records can be tried
// (the iOS 5 phones' messages hold a few deleted ones of their own).
#include "CarvingFixtures.h"
#include "SampleBackup.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: make-sample-backup BACKUP-ROOT\n");
        return 2;
    }
    QCoreApplication app(argc, argv);  // lets the image writers find their plug-ins
    const std::vector<std::string> folders = samplebackup::writeSampleBackups(argv[1]);
    if (folders.size() != 5) {
        std::fprintf(stderr, "make-sample-backup: could not write the sample backups under %s\n", argv[1]);
        return 1;
    }
    if (carvefix::addDeletedRecords(folders.front(), true) <= 0) {
        std::fprintf(stderr, "make-sample-backup: could not add deleted records to %s\n", folders.front().c_str());
        return 1;
    }
    for (const std::string& folder : folders) std::printf("%s\n", folder.c_str());
    return 0;
}
