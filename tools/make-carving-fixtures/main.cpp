// make-carving-fixtures FOLDER [--page-size N] [--wal] [--crafted]: writes one database of each
// kind the carvers read into FOLDER, under its backup file name, with live and deleted rows; with
// --crafted, also the files crafted to make a carve work hard (CraftedFiles.h).
// make-carving-fixtures --add BACKUP-FOLDER [--ios5]: adds live and deleted rows of each kind
// to the databases of an existing backup (the sample backup), beside their own tables.
#include "CarvingFixtures.h"
#include "CraftedFiles.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr,
                     "usage: make-carving-fixtures FOLDER [--page-size N] [--wal] [--crafted]\n"
                     "       make-carving-fixtures --add BACKUP-FOLDER [--ios5]\n");
        return 2;
    }
    if (std::string(argv[1]) == "--add") {
        if (argc < 3) return 2;
        bool ios6 = !(argc > 3 && std::string(argv[3]) == "--ios5");
        int deleted = carvefix::addDeletedRecords(argv[2], ios6);
        if (deleted == 0) {
            std::fprintf(stderr, "make-carving-fixtures: no database of %s took deleted rows\n", argv[2]);
            return 1;
        }
        std::printf("%d deleted rows added\n", deleted);
        return 0;
    }
    carvefix::Options options;
    options.deletedPages = 60;
    bool crafted = false;
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--page-size" && i + 1 < argc)
            options.pageSize = std::atoi(argv[++i]);
        else if (arg == "--wal")
            options.writeAheadLog = true;
        else if (arg == "--crafted")
            crafted = true;
    }
    if (!carvefix::writeBackupFolder(argv[1], options) ||
        (crafted && !carvefix::writeCraftedFiles(argv[1], options.pageSize))) {
        std::fprintf(stderr, "make-carving-fixtures: could not write the databases into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
