// carve-quality [--rows N] [--explain] [--kind KIND] [--ios N] [--page N] [--seed N] [FOLDER]:
// writes a natural-value database of each kind (calls, contacts, messages, notes, bookmarks,
// calendar) in the iOS layouts, deletes 30% of its rows, runs the carver and prints per kind,
// layout and page size: the rows deleted and recovered, the recall of all of them, how many are
// no longer in the file and the recall of the rest, live rows reported as deleted, and the
// shares of wrong joins and garbage in what was reported. --explain names every row missed
// (with where its marker lies, or that it is gone) and every wrong record on standard error.
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
    std::string folder, onlyKind;
    int onlyIos = 0, onlyPage = 0;
    uint64_t seed = 1;  // another seed gives other values and other rows deleted
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rows" && i + 1 < argc)
            rows = std::atoi(argv[++i]);
        else if (arg == "--explain")
            explain = true;
        else if (arg == "--kind" && i + 1 < argc)
            onlyKind = argv[++i];
        else if (arg == "--ios" && i + 1 < argc)
            onlyIos = std::atoi(argv[++i]);
        else if (arg == "--page" && i + 1 < argc)
            onlyPage = std::atoi(argv[++i]);
        else if (arg == "--seed" && i + 1 < argc)
            seed = std::strtoull(argv[++i], nullptr, 10);
        else if (arg.rfind("--", 0) != 0 && folder.empty())
            folder = arg;
        else {
            std::fprintf(stderr,
                         "usage: carve-quality [--rows N] [--explain] [--kind KIND] [--ios N] [--page N] [--seed N] "
                         "[FOLDER]\n");
            return 2;
        }
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
    // Recall of all deleted rows, and of those still in the file: SQLite overwrites the rest
    // itself, and no carver can bring them back.
    std::printf("%-10s %-4s %5s %8s %9s %7s %5s %11s %11s %10s %9s %12s\n", "kind", "iOS", "page", "deleted",
                "recovered", "recall", "gone", "in-file", "live-as-del", "wrong-join", "garbage", "join-missing");
    bool met = true;
    for (CarveKind kind : {CarveKind::calls, CarveKind::contacts, CarveKind::messages, CarveKind::notes,
                           CarveKind::bookmarks, CarveKind::calendar}) {
        if (!onlyKind.empty() && onlyKind != carvefix::kindName(kind)) continue;
        for (Ios ios : {Ios::v4, Ios::v5, Ios::v6, Ios::v7}) {
            for (int page : {1024, 4096}) {
                if ((onlyIos && onlyIos != static_cast<int>(ios)) || (onlyPage && onlyPage != page)) continue;
                carvefix::NaturalOptions options;
                options.ios = ios;
                options.pageSize = page;
                options.rows = rows;
                options.seed = seed;
                const carvequality::Score s = carvequality::measure(kind, options, folder, explain);
                std::printf("%-10s %-4d %5d %8d %9d %6.1f%% %5d %10.1f%% %11d %9.1f%% %8.1f%% %12d\n",
                            carvefix::kindName(kind), static_cast<int>(ios), page, s.deleted, s.recovered, s.recall(),
                            s.gone(), s.recallOfRecoverable(), s.liveAsDeleted, s.share(s.wrongJoins),
                            s.share(s.garbage), s.joinMissing);
                met = met && s.recallOfRecoverable() >= 95 && s.liveAsDeleted == 0 && s.share(s.wrongJoins) < 1 &&
                      s.share(s.garbage) < 1;
            }
        }
    }
    std::printf("targets %s\n", met ? "met" : "NOT met");
    return met ? 0 : 1;
}
