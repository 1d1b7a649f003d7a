// carve-quality [--rows N] [--explain] [FOLDER]: writes a natural-value database of each kind
// (calls, contacts, messages, notes, bookmarks, calendar) in the iOS layouts, deletes 30% of
// its rows, runs the carver and prints recall, live rows reported as deleted, wrong joins and
// garbage per kind, layout and page size.
#include "CarveQuality.h"
#include "platform/Paths.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

int main(int argc, char** argv) {
    int rows = 2000;
    bool explain = false;
    std::string folder;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rows" && i + 1 < argc)
            rows = std::atoi(argv[++i]);
        else if (arg == "--explain")
            explain = true;
        else
            folder = arg;
    }
    if (folder.empty()) {
        // Inside the private temporary folder: a fixed name under the shared /tmp could be
        // taken (or linked elsewhere) by another user.
        const std::string privateFolder = paths::privateTempDirectory();
        if (privateFolder.empty()) {
            std::fprintf(stderr, "carve-quality: the private temporary folder cannot be made; name a folder\n");
            return 2;
        }
        folder = privateFolder + "/carve-quality";
    }
    ::mkdir(folder.c_str(), 0700);
    using carvefix::CarveKind;
    using iosschema::Ios;
    std::printf("%-10s %-4s %5s %8s %9s %8s %12s %14s %13s %13s %13s\n", "kind", "iOS", "page", "deleted", "recovered",
                "recall", "of-in-file", "live-as-del", "wrong-join", "garbage", "join-missing");
    bool met = true;
    for (CarveKind kind : {CarveKind::calls, CarveKind::contacts, CarveKind::messages, CarveKind::notes,
                           CarveKind::bookmarks, CarveKind::calendar}) {
        for (Ios ios : {Ios::v4, Ios::v5, Ios::v6, Ios::v7}) {
            for (int page : {1024, 4096}) {
                carvefix::NaturalOptions options;
                options.ios = ios;
                options.pageSize = page;
                options.rows = rows;
                const carvequality::Score s = carvequality::measure(kind, options, folder, explain);
                std::printf(
                    "%-10s %-4d %5d %8d %9d %7.1f%% %7.1f%% %3d %8d (%3.1f%%) %5d (%3.1f%%) %5d (%3.1f%%) %9d\n",
                    carvefix::kindName(kind), static_cast<int>(ios), page, s.deleted, s.recovered, s.recall(),
                    s.recallOfRecoverable(), s.recoverable, s.liveAsDeleted, s.share(s.liveAsDeleted), s.wrongJoins,
                    s.share(s.wrongJoins), s.garbage, s.share(s.garbage), s.joinMissing);
                met = met && s.recallOfRecoverable() >= 95 && s.liveAsDeleted == 0 && s.share(s.wrongJoins) < 1 &&
                      s.share(s.garbage) < 1;
            }
        }
    }
    std::printf("targets %s\n", met ? "met" : "NOT met");
    return met ? 0 : 1;
}
