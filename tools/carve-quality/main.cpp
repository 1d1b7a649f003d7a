// carve-quality [--rows N] [--explain] [--kind KIND] [--ios N] [--page N] [--layout run|time] [--seed N]
// [--in-log] [--plain] [FOLDER]: writes a natural-value database of each kind (calls, contacts, messages,
// notes, bookmarks, calendar) in the iOS layouts, deletes 30% of its rows (a run and scattered rows, or
// rows deleted over time with new ones written between) and, as a phone's owner does, edits some of
// the rows that stay between the deletions, writes notes of a title alone beside notes with
// bodies and messages of several kilobytes (--plain writes none of these), runs the carver and prints per kind,
// layout and page size: the rows written, the file's size, the rows deleted and recovered (with
// every joined value, or marked partial with what a later write left of them), the recall of all
// of them, how many are no longer in the file and the recall of the rest, live rows reported as
// deleted (earlier versions of edited rows included), records with a value not their row's (another's
// number, body or date), the shares of wrong joins and garbage in what was reported, the rows that came without
// some joined value, those of the recovered that came marked partial, how many of the file's pages
// the carver looked through (all but the header page, or the targets are not met), and the
// seconds taken to write the file and to carve it. With --in-log a tenth of the deletions (the
// last ones) stay in the database's write-ahead log, in the layouts that keep one: each database
// is scored as laid (layout "run+log", "time+log"), then once a copy is folded ("...+folded"). --rows goes up to 20
// million. --explain names every row missed (with where its marker lies, or that it is gone) and every wrong record on
// standard error. The databases are left in FOLDER when one is named; else they are written to a folder of the run's
// own, removed at its end, so that runs side by side do not write over each other's.
#include "CarveQuality.h"
#include "platform/ScratchFolder.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <string>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {
constexpr int kMostRows = 20000000;

const char* layoutName(carvefix::Deletions deletions) {
    return deletions == carvefix::Deletions::overTime ? "time" : "run";
}

void print(carvefix::CarveKind kind, iosschema::Ios ios, int page, const std::string& layout,
           const carvequality::Score& s) {
    const std::string pages = std::to_string(s.coverage.examined) + "+" + std::to_string(s.coverage.headerPages) + "/" +
                              std::to_string(s.coverage.pages + s.coverage.frames);
    std::printf(
        "%-10s %-3d %5d %-11s %9lld %8.1f %8d %9d %6.1f%% %5d %7.1f%% %11d %12d %9.1f%% %7.1f%% %12d %7d %15s %7.1f "
        "%7.1f\n",
        carvefix::kindName(kind), static_cast<int>(ios), page, layout.c_str(), static_cast<long long>(s.rows),
        static_cast<double>(s.fileBytes) / 1e6, s.deleted, s.recovered, s.recall(), s.gone(), s.recallOfRecoverable(),
        s.liveAsDeleted, s.othersValues, s.share(s.wrongJoins), s.share(s.garbage), s.joinMissing, s.partial,
        pages.c_str(), s.writeSeconds, s.carveSeconds);
    std::fflush(stdout);
}

// The targets: 98% of the deleted rows still in the file come back with their own values (a
// contact whose numbers' rows lost the id that joins them comes without them rather than with
// another's: it is counted apart, as join-missing), no live row (nor an earlier version of one)
// reported as deleted, no record with a value not its own, no wrong join, garbage under 1%, every
// page and frame looked through, and 95% of the long messages and of the notes of a title alone
// still in the file back whole. Answers the targets a row missed, by their columns' names.
std::string missed(const carvequality::Score& s) {
    std::string out;
    auto miss = [&](bool failed, const char* what) {
        if (failed) out += std::string(out.empty() ? "" : ", ") + what;
    };
    const int found = s.recovered + s.joinMissingInFile;
    miss(s.recoverable > 0 && 100.0 * found < 98.0 * s.recoverable, "recall");
    miss(s.liveAsDeleted > 0, "live-as-del");
    miss(s.othersValues > 0, "others-value");
    miss(s.wrongJoins > 0, "wrong-join");
    miss(s.share(s.garbage) >= 1, "garbage");
    miss(!s.coverage.complete() || s.coverage.pages == 0, "pages");
    for (const auto& [habit, h] : s.habits)
        if (100.0 * h.recovered < 95.0 * h.recoverable)
            out += std::string(out.empty() ? "" : ", ") + habit + " " + std::to_string(h.recovered) + " of " +
                   std::to_string(h.recoverable);
    return out;
}
}  // namespace

int main(int argc, char** argv) {
    int rows = 2000;
    bool explain = false, inLog = false, plain = false;
    std::string folder, onlyKind, onlyLayout;
    int onlyIos = 0, onlyPage = 0;
    uint64_t seed = 1;  // another seed gives other values and other rows deleted
    bool usage = false;
    for (int i = 1; i < argc && !usage; ++i) {
        const std::string arg = argv[i];
        if (arg == "--rows" && i + 1 < argc)
            rows = std::atoi(argv[++i]);
        else if (arg == "--explain")
            explain = true;
        else if (arg == "--in-log")
            inLog = true;
        else if (arg == "--plain")
            plain = true;
        else if (arg == "--kind" && i + 1 < argc)
            onlyKind = argv[++i];
        else if (arg == "--ios" && i + 1 < argc)
            onlyIos = std::atoi(argv[++i]);
        else if (arg == "--page" && i + 1 < argc)
            onlyPage = std::atoi(argv[++i]);
        else if (arg == "--layout" && i + 1 < argc)
            onlyLayout = argv[++i];
        else if (arg == "--seed" && i + 1 < argc)
            seed = std::strtoull(argv[++i], nullptr, 10);
        else if (arg.rfind("--", 0) != 0 && folder.empty())
            folder = arg;
        else
            usage = true;
    }
    if (usage || rows < 10 || rows > kMostRows ||
        (!onlyLayout.empty() && onlyLayout != "run" && onlyLayout != "time")) {
        std::fprintf(stderr,
                     "usage: carve-quality [--rows N (10 to %d)] [--explain] [--kind KIND] [--ios N] [--page N] "
                     "[--layout run|time] [--seed N] [--in-log] [--plain] [FOLDER]\n",
                     kMostRows);
        return 2;
    }
    std::optional<ScratchFolder> scratch;
    if (folder.empty()) {
        scratch.emplace("carve-quality");
        if (scratch->path().empty()) {
            std::fprintf(stderr, "carve-quality: the private temporary folder cannot be made; name a folder\n");
            return 2;
        }
        folder = scratch->path();
    }
    ::mkdir(folder.c_str(), 0700);
    using carvefix::CarveKind;
    using carvefix::Deletions;
    using iosschema::Ios;
    // Recall of all deleted rows, and of those still in the file: SQLite overwrites the rest
    // itself, and no carver can bring them back.
    std::printf("%-10s %-3s %5s %-11s %9s %8s %8s %9s %7s %5s %8s %11s %12s %10s %8s %12s %7s %15s %7s %7s\n", "kind",
                "iOS", "page", "layout", "rows", "MB", "deleted", "recovered", "recall", "gone", "in-file",
                "live-as-del", "others-value", "wrong-join", "garbage", "join-missing", "partial", "pages-examined",
                "write-s", "carve-s");
    std::vector<std::string> shortfalls;  // per row that missed a target: the row, and the targets
    std::vector<std::string> habitLines;  // per row, the recall of the rows a phone's habits set apart
    int measured = 0;
    for (CarveKind kind : {CarveKind::calls, CarveKind::contacts, CarveKind::messages, CarveKind::notes,
                           CarveKind::bookmarks, CarveKind::calendar}) {
        if (!onlyKind.empty() && onlyKind != carvefix::kindName(kind)) continue;
        for (Ios ios : {Ios::v4, Ios::v5, Ios::v6, Ios::v7}) {
            for (int page : {1024, 4096}) {
                for (Deletions deletions : {Deletions::runAndScattered, Deletions::overTime}) {
                    if ((onlyIos && onlyIos != static_cast<int>(ios)) || (onlyPage && onlyPage != page) ||
                        (!onlyLayout.empty() && onlyLayout != layoutName(deletions)))
                        continue;
                    carvefix::NaturalOptions options;
                    options.ios = ios;
                    options.pageSize = page;
                    options.rows = rows;
                    options.seed = seed;
                    options.deletions = deletions;
                    options.inLog = inLog ? 0.1 : 0;
                    options.phoneHabits = !plain;
                    const std::string layout =
                        std::string(layoutName(deletions)) + (inLog && iosschema::writeAheadLog(ios) ? "+log" : "");
                    const auto started = std::chrono::steady_clock::now();
                    const carvefix::NaturalRows written = carvefix::writeNaturalDatabase(folder, kind, options);
                    const std::chrono::duration<double> writing = std::chrono::steady_clock::now() - started;
                    carvequality::Score s = carvequality::carveAndScore(kind, written, options, folder, explain);
                    s.writeSeconds = writing.count();
                    ++measured;
                    print(kind, ios, page, layout, s);
                    const std::string row = std::string(carvefix::kindName(kind)) + " iOS " +
                                            std::to_string(static_cast<int>(ios)) + " page " + std::to_string(page) +
                                            " " + layout;
                    if (const std::string missing = missed(s); !missing.empty())
                        shortfalls.push_back(row + ": " + missing);
                    for (const auto& [habit, h] : s.habits)
                        habitLines.push_back(row + ": " + habit + " " + std::to_string(h.recovered) + " of " +
                                             std::to_string(h.recoverable) + " still in the file came back");
                    if (layout.ends_with("+log")) {
                        const carvequality::Score folded =
                            carvequality::carveFoldedAndScore(kind, written, options, folder, explain);
                        print(kind, ios, page, std::string(layoutName(deletions)) + "+folded", folded);
                        // As laid, the database gives at least what it gives once folded.
                        std::string missing = missed(folded);
                        if (s.recovered < folded.recovered)
                            missing += std::string(missing.empty() ? "" : ", ") + "less as laid than folded";
                        if (!missing.empty()) shortfalls.push_back(row + " folded: " + missing);
                    }
                }
            }
        }
    }
    // Options that match no row (a page size, kind or iOS version never made) meet nothing.
    if (measured == 0) {
        std::printf("nothing measured: no kind, iOS version, page size and layout match the options\n");
        return 1;
    }
    for (const std::string& line : habitLines) std::printf("%s\n", line.c_str());
    for (const std::string& shortfall : shortfalls) std::printf("missed by %s\n", shortfall.c_str());
    std::printf("targets %s\n", shortfalls.empty() ? "met" : "NOT met");
    return shortfalls.empty() ? 0 : 1;
}
