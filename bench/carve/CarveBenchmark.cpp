// Each carver alone over a database of its kind of about 100 MB with natural values (the iOS 6
// layout, 4096-byte pages, 30% of the rows deleted as a phone deletes them), against a plain
// sequential read of the same file. Before timing, one run is checked, and a carver that fails
// is not timed: it looked through every page of the file, its records hold at least 98% of the
// deleted rows still in the file (scored as carve-quality scores them) and no live row, and
// they (every field of every record, in order) are those the previous build of this folder
// posted (how many of the rows recovered came marked partial is reported beside the recall). The
// carvers read the file as it lies, so every run carves the same layout. Rates are
// of the wall-clock time: the record carver reads a large file's pages on several threads.
// Beside the rate, each run reports its processor time (user and system, all threads) per MB
// against SQLite's own full read of the same file's tables on one thread, and says in its label
// whether it kept within twice that read; the 100 MB files are also carved on four cores, where
// they must carve at 400 MB/s or more.
// Beside them: the message database at 1024-byte pages, and databases whose write-ahead log
// holds the last tenth of their deletions, carved as laid (the file with its log) and scored
// against the same database once folded.
#include "../support/CpuTime.h"
#include "../support/OutputCheck.h"
#include "../support/SqliteRead.h"
#include "../support/TempFolder.h"
#include "CarveQuality.h"
#include "NaturalFixtures.h"
#include "model/PRRecord.h"
#include "platform/FileOpen.h"
#include "platform/HeapGrowth.h"

#include <benchmark/benchmark.h>
#include <chrono>
#include <fcntl.h>
#include <map>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using carvefix::CarveKind;

// The benchmark's own folder, one folder of it per case.
const std::string& folder() {
    static const bench::TempFolder made("carve-bench");
    return made.path();
}

int64_t fileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

// Rows that make about 100 MB of each kind.
int rowsFor(CarveKind kind) {
    switch (kind) {
    case CarveKind::calls: return 1280000;
    case CarveKind::contacts: return 420000;
    case CarveKind::messages: return 390000;
    case CarveKind::notes: return 118000;
    case CarveKind::bookmarks: return 680000;
    case CarveKind::calendar: return 465000;
    }
    return 0;
}

// A database to carve: its kind, page size and the share of its deletions left in its log; and
// the cores the carve is kept to (0: all), which leaves the database and its figures the same.
struct Case {
    CarveKind kind;
    int pageSize = 4096;
    double inLog = 0;
    int cores = 0;
    std::string name() const {
        return std::string(carvefix::kindName(kind)) + "_" + std::to_string(pageSize) + (inLog > 0 ? "_in_log" : "");
    }
    bool operator<(const Case& o) const { return name() < o.name(); }
};

// The case's database, written once into a folder of its own, with the rows written into it,
// and its options.
struct Database {
    std::string folder;
    std::string path;
    carvefix::NaturalRows rows;
    carvefix::NaturalOptions options;
};
const Database& database(const Case& c) {
    static std::map<Case, Database> made;
    auto it = made.find(c);
    if (it != made.end()) return it->second;
    Database& db = made[c];
    db.options.ios = iosschema::Ios::v6;
    db.options.pageSize = c.pageSize;
    db.options.rows = rowsFor(c.kind);
    db.options.inLog = c.inLog;
    db.folder = folder() + "/" + c.name();
    ::mkdir(db.folder.c_str(), 0700);
    db.rows = carvefix::writeNaturalDatabase(db.folder, c.kind, db.options);
    db.path = db.folder + "/" + carvefix::backupFileName(c.kind);
    return db;
}

// The database's size with its log.
int64_t databaseSize(const Database& db) { return fileSize(db.path) + fileSize(db.path + "-wal"); }

// Runs the carver once, feeding every field of every posted record into check; answers the
// records in the fixture's terms, and how much of the file it looked through.
std::vector<carvefix::ExpectedRecord> carveInto(CarveKind kind, const std::string& folder, bench::OutputCheck& check,
                                                carve::CarveCoverage& coverage) {
    PRBackupScanState scan;
    scan.currentNodeIsiOS6Version = true;
    NSNotificationCenter nc;
    carve::CarveContext context(scan, nc);
    context.coverage = [&](const carve::CarveCoverage& c) { coverage = c; };
    std::vector<carvefix::ExpectedRecord> records;
    carvequality::postedNotice(kind).observe(nc, &records, [&](const NSNotification& n) {
        const auto record = n.objectAs<PRRecord>();
        if (!record) {
            check.add(int64_t{-1});
            records.emplace_back();
            return;
        }
        check.addFields(*record);
        records.push_back(carvequality::recordOf(kind, *record));
    });
    carvequality::carve(kind, context, folder);
    nc.removeObserver(&records);
    return records;
}

// The rate a 100 MB file must carve at on four cores.
constexpr double kLeastMegabytesPerSecondOnFour = 400;

void runCarver(benchmark::State& state, Case c) {
    const CarveKind kind = c.kind;
    const Database& db = database(c);
    bench::OutputCheck check;
    carve::CarveCoverage coverage;
    const std::vector<carvefix::ExpectedRecord> reported = carveInto(kind, db.folder, check, coverage);
    const auto records = static_cast<int64_t>(reported.size());
    if (!coverage.complete() || coverage.pages == 0 || (c.inLog > 0 && coverage.frames == 0)) {
        state.SkipWithError(("looked through " + std::to_string(coverage.examined) + " of " +
                             std::to_string(coverage.pages) + " pages and " + std::to_string(coverage.frames) +
                             " frames")
                                .c_str());
        return;
    }
    std::string bytes, log;
    files::readRegularFile(db.path, size_t{1} << 40, &bytes);
    if (files::readRegularFile(db.path + "-wal", size_t{1} << 40, &log)) bytes += log;
    const carvequality::Score score = carvequality::scoreRecords(kind, db.rows, reported, bytes, c.pageSize);
    if (score.recallOfRecoverable() < 98.0 || score.liveAsDeleted > 0) {
        state.SkipWithError((std::to_string(score.recovered) + " of " + std::to_string(score.recoverable) +
                             " deleted rows recovered, " + std::to_string(score.liveAsDeleted) + " live rows reported")
                                .c_str());
        return;
    }
    // As laid, the database gives at least the rows it gives once folded.
    if (c.inLog > 0) {
        const carvequality::Score folded = carvequality::carveFoldedAndScore(kind, db.rows, db.options, db.folder);
        state.counters["folded_recall_pct"] = folded.recall();
        state.counters["laid_recall_pct"] = score.recall();
        if (folded.recovered > score.recovered) {
            state.SkipWithError(
                ("as laid " + std::to_string(score.recovered) + " rows, folded " + std::to_string(folded.recovered))
                    .c_str());
            return;
        }
    }
    if (!bench::outputUnchanged(state, "carve_" + c.name(), check.finish())) return;
    // The carver's threads are started by this one, and keep to its cores.
    std::optional<bench::OnFewCores> few;
    if (c.cores > 0) few.emplace(c.cores);
    const double cpuBefore = bench::processCpuSeconds();
    const auto wallBefore = std::chrono::steady_clock::now();
    for (auto _ : state) {
        PRBackupScanState scan;
        scan.currentNodeIsiOS6Version = true;
        NSNotificationCenter nc;
        carve::CarveContext context(scan, nc);
        carvequality::carve(kind, context, db.folder);
    }
    const auto runs = static_cast<double>(state.iterations());
    const double cpu = (bench::processCpuSeconds() - cpuBefore) / runs;
    const double wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - wallBefore).count() / runs;
    const int cores = few ? few->cores() : 0;
    few.reset();
    const double megabytes = static_cast<double>(databaseSize(db)) / (1024.0 * 1024.0);
    state.SetBytesProcessed(state.iterations() * databaseSize(db));
    state.counters["MB"] = megabytes;
    std::string label = bench::reportCpuAgainstSqlite(state, cpu, megabytes, db.path) ? "CPU within 2x SQLite read"
                                                                                      : "CPU NOT within 2x SQLite read";
    if (c.cores > 0) {
        state.counters["cores"] = cores;
        state.counters["MB_per_s"] = wall > 0 ? megabytes / wall : 0;
        label += wall > 0 && megabytes / wall >= kLeastMegabytesPerSecondOnFour ? "; 400 MB/s on 4 cores"
                                                                                : "; NOT 400 MB/s on 4 cores";
    }
    state.SetLabel(label);
    state.counters["records"] = static_cast<double>(records);
    state.counters["recall_pct"] = score.recallOfRecoverable();
    state.counters["partial"] = score.partial;  // of those recovered, marked partial
}

void plainRead(benchmark::State& state, Case c) {
    const std::string& path = database(c).path;
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        int fd = ::open(path.c_str(), O_RDONLY);
        while (::read(fd, buffer.data(), buffer.size()) > 0) benchmark::DoNotOptimize(buffer.data());
        ::close(fd);
    }
    state.SetBytesProcessed(state.iterations() * fileSize(path));
}

#define CARVE_BENCH(name, ...)                                                                                         \
    BENCHMARK_CAPTURE(runCarver, name, Case{__VA_ARGS__})->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime(); \
    BENCHMARK_CAPTURE(plainRead, name, Case{__VA_ARGS__})->Unit(benchmark::kMillisecond)->MinTime(1.0);

// The 100 MB files carved on four cores as well.
#define CARVE_BENCH_ON_FOUR(name, ...)                                 \
    BENCHMARK_CAPTURE(runCarver, name##_on_4_cores, Case{__VA_ARGS__}) \
        ->Unit(benchmark::kMillisecond)                                \
        ->MinTime(1.0)                                                 \
        ->UseRealTime();

CARVE_BENCH(calls, CarveKind::calls)
CARVE_BENCH(contacts, CarveKind::contacts)
CARVE_BENCH(messages, CarveKind::messages)
CARVE_BENCH(notes, CarveKind::notes)
CARVE_BENCH(bookmarks, CarveKind::bookmarks)
CARVE_BENCH(calendar, CarveKind::calendar)
CARVE_BENCH(messages_1024, CarveKind::messages, 1024)
CARVE_BENCH(calls_in_log, CarveKind::calls, 4096, 0.1)
CARVE_BENCH(messages_in_log, CarveKind::messages, 4096, 0.1)
CARVE_BENCH(contacts_in_log, CarveKind::contacts, 4096, 0.1)
CARVE_BENCH_ON_FOUR(calls, CarveKind::calls, 4096, 0, 4)
CARVE_BENCH_ON_FOUR(contacts, CarveKind::contacts, 4096, 0, 4)
CARVE_BENCH_ON_FOUR(messages, CarveKind::messages, 4096, 0, 4)
CARVE_BENCH_ON_FOUR(messages_in_log, CarveKind::messages, 4096, 0.1, 4)

}  // namespace

int main(int argc, char** argv) {
    // The heap grows as the program's does: the carvers are timed with the memory it gives them.
    heapgrowth::growInLargeSteps();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
