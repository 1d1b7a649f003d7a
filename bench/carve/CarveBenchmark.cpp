// Each carver alone over a database of its kind of about 100 MB with natural values (the iOS 6
// layout, 4096-byte pages, 30% of the rows deleted as a phone deletes them), against a plain
// sequential read of the same file. Before timing, one run is checked, and a carver that fails
// is not timed: it looked through every page of the file, its records hold at least 98% of the
// deleted rows still in the file (scored as carve-quality scores them) and no live row, and
// they (every field of every record, in order) are those the previous build of this folder
// posted. The carvers read the file as it lies, so every run carves the same layout. Rates are
// of the wall-clock time: the record carver reads a large file's pages on several threads.
#include "../support/OutputCheck.h"
#include "../support/TempFolder.h"
#include "CarveQuality.h"
#include "NaturalFixtures.h"
#include "model/PRRecord.h"
#include "platform/FileOpen.h"

#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

using carvefix::CarveKind;

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

constexpr int kPageSize = 4096;

// The kind's database, written once, with the rows written into it.
struct Database {
    std::string path;
    carvefix::NaturalRows rows;
};
const Database& database(CarveKind kind) {
    static std::map<CarveKind, Database> made;
    auto it = made.find(kind);
    if (it != made.end()) return it->second;
    carvefix::NaturalOptions options;
    options.ios = iosschema::Ios::v6;
    options.pageSize = kPageSize;
    options.rows = rowsFor(kind);
    Database& db = made[kind];
    db.rows = carvefix::writeNaturalDatabase(folder(), kind, options);
    db.path = folder() + "/" + carvefix::backupFileName(kind);
    return db;
}

// Runs the carver once, feeding every field of every posted record into check; answers the
// records in the fixture's terms, and how much of the file it looked through.
std::vector<carvefix::ExpectedRecord> carveInto(CarveKind kind, bench::OutputCheck& check,
                                                carve::CarveCoverage& coverage) {
    PRBackupScanState scan;
    scan.currentNodeIsiOS6Version = true;
    NSNotificationCenter nc;
    carve::CarveContext context(scan, nc);
    context.coverage = [&](const carve::CarveCoverage& c) { coverage = c; };
    std::vector<carvefix::ExpectedRecord> records;
    nc.addObserver(&records, carvequality::postedName(kind), [&](const NSNotification& n) {
        const auto record = n.objectAs<PRRecord>();
        if (!record) {
            check.add(int64_t{-1});
            records.emplace_back();
            return;
        }
        check.addFields(*record);
        records.push_back(carvequality::recordOf(kind, *record));
    });
    carvequality::carve(kind, context, folder());
    nc.removeObserver(&records);
    return records;
}

void runCarver(benchmark::State& state, CarveKind kind) {
    const Database& db = database(kind);
    const std::string& path = db.path;
    bench::OutputCheck check;
    carve::CarveCoverage coverage;
    const std::vector<carvefix::ExpectedRecord> reported = carveInto(kind, check, coverage);
    const auto records = static_cast<int64_t>(reported.size());
    if (!coverage.complete() || coverage.pages == 0) {
        state.SkipWithError(
            ("looked through " + std::to_string(coverage.examined) + " of " + std::to_string(coverage.pages) + " pages")
                .c_str());
        return;
    }
    std::string bytes;
    files::readRegularFile(path, size_t{1} << 40, &bytes);
    const carvequality::Score score = carvequality::scoreRecords(kind, db.rows, reported, bytes, kPageSize);
    if (score.recallOfRecoverable() < 98.0 || score.liveAsDeleted > 0) {
        state.SkipWithError((std::to_string(score.recovered) + " of " + std::to_string(score.recoverable) +
                             " deleted rows recovered, " + std::to_string(score.liveAsDeleted) + " live rows reported")
                                .c_str());
        return;
    }
    if (!bench::outputUnchanged(state, std::string("carve_") + carvefix::kindName(kind), check.finish())) return;
    for (auto _ : state) {
        PRBackupScanState scan;
        scan.currentNodeIsiOS6Version = true;
        NSNotificationCenter nc;
        carve::CarveContext context(scan, nc);
        carvequality::carve(kind, context, folder());
    }
    state.SetBytesProcessed(state.iterations() * fileSize(path));
    state.counters["MB"] = static_cast<double>(fileSize(path)) / (1024.0 * 1024.0);
    state.counters["records"] = static_cast<double>(records);
    state.counters["recall_pct"] = score.recallOfRecoverable();
}

void plainRead(benchmark::State& state, CarveKind kind) {
    const std::string& path = database(kind).path;
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        int fd = ::open(path.c_str(), O_RDONLY);
        while (::read(fd, buffer.data(), buffer.size()) > 0) benchmark::DoNotOptimize(buffer.data());
        ::close(fd);
    }
    state.SetBytesProcessed(state.iterations() * fileSize(path));
}

#define CARVE_BENCH(name, kind)                                                                           \
    BENCHMARK_CAPTURE(runCarver, name, kind)->Unit(benchmark::kMillisecond)->MinTime(1.0)->UseRealTime(); \
    BENCHMARK_CAPTURE(plainRead, name, kind)->Unit(benchmark::kMillisecond)->MinTime(1.0);

CARVE_BENCH(calls, CarveKind::calls)
CARVE_BENCH(contacts, CarveKind::contacts)
CARVE_BENCH(messages, CarveKind::messages)
CARVE_BENCH(notes, CarveKind::notes)
CARVE_BENCH(bookmarks, CarveKind::bookmarks)
CARVE_BENCH(calendar, CarveKind::calendar)

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
