// make-carving-fixtures FOLDER [--page-size N] [--wal]: writes one database of each kind the
// carvers read into FOLDER, under its backup file name, with live and deleted rows.
#include "CarvingFixtures.h"

#include <cstdio>
#include <cstdlib>
#include <string>

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: make-carving-fixtures FOLDER [--page-size N] [--wal]\n");
        return 2;
    }
    carvefix::Options options;
    options.deletedPages = 60;
    for (int i = 2; i < argc; ++i) {
        std::string arg = argv[i];
        if (arg == "--page-size" && i + 1 < argc)
            options.pageSize = std::atoi(argv[++i]);
        else if (arg == "--wal")
            options.writeAheadLog = true;
    }
    if (!carvefix::writeBackupFolder(argv[1], options)) {
        std::fprintf(stderr, "make-carving-fixtures: could not write the databases into %s\n", argv[1]);
        return 1;
    }
    return 0;
}
