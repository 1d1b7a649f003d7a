// backup-dump --carve end to end over a backup whose call history is about 100 MB of natural
// values (real iOS 6 layout, times to the second, every size of duration, 30% of the calls
// deleted), without printing (--quiet: the scan, the carve and the merge, no lines made) and with
// its lines thrown away, against the call carver alone on the same file and the readers alone. Before timing, each
// side's output is digested once and compared with the previous build's.
#include "../support/OutputCheck.h"
#include "../support/TempFolder.h"
#include "NaturalFixtures.h"
#include "NotificationJson.h"
#include "backup/carve/DelCallHistoryCarver.h"
#include "platform/HeapGrowth.h"
#include "platform/Paths.h"

#include <benchmark/benchmark.h>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace {

constexpr int kRows = 1700000;  // about 100 MB of call rows in the iOS 6 layout

const std::string& folder() {
    static const bench::TempFolder made("dump-bench");
    return made.path();
}

// The backup folder with its call history, written once; the database is copied afresh before
// each run, so that no run sees what an earlier one may have left beside it.
const std::string& original() {
    static std::string path = [] {
        carvefix::NaturalOptions options;
        options.ios = iosschema::Ios::v6;
        options.rows = kRows;
        carvefix::writeNaturalDatabase(folder(), carvefix::CarveKind::calls, options);
        std::ofstream(folder() + "/Info.plist")
            << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
               "<key>Product Version</key><string>6.1.4</string></dict></plist>\n";
        const std::string db = folder() + "/" + carvefix::backupFileName(carvefix::CarveKind::calls);
        std::filesystem::copy_file(db, db + ".original", std::filesystem::copy_options::overwrite_existing);
        return db;
    }();
    return path;
}

void restore() {
    std::filesystem::copy_file(original() + ".original", original(), std::filesystem::copy_options::overwrite_existing);
    for (const char* suffix : {"-wal", "-shm"}) std::filesystem::remove(original() + suffix);
}

double megabytes() { return static_cast<double>(std::filesystem::file_size(original())) / (1024.0 * 1024.0); }

// Runs the call carver once; each call it posts goes to check, as backup-dump would print it.
void carveCalls(bench::OutputCheck* check) {
    PRBackupScanState scan;
    scan.currentNodeIsiOS6Version = true;
    NSNotificationCenter nc;
    int posted = 0;
    nc.addObserver(&posted, "ScanDelCallHistoryInfo", [&](const NSNotification& n) {
        ++posted;
        if (check) check->add(notificationJson(n));
    });
    carve::CarveContext context(scan, nc);
    carve::DelCallHistoryCarver(context).scanDelCallHistoryThread(folder());
    benchmark::DoNotOptimize(posted);
    nc.removeObserver(&posted);
}

// Runs backup-dump on the folder, with --carve when carve, with --quiet when quiet; its output
// goes to /dev/null, or, with check, through a pipe read here into check. False when it could
// not run or did not end well.
bool runBackupDump(bench::OutputCheck* check, bool quiet = false, bool carve = true) {
    const std::string program = paths::executableDirectory() + "/backup-dump";
    int pipeEnds[2] = {-1, -1};
    if (check && ::pipe2(pipeEnds, O_CLOEXEC) != 0) return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (check)
        posix_spawn_file_actions_adddup2(&actions, pipeEnds[1], 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    if (carve) argv.push_back(const_cast<char*>("--carve"));
    if (quiet) argv.push_back(const_cast<char*>("--quiet"));
    argv.push_back(const_cast<char*>(folder().c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    const bool spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0;
    posix_spawn_file_actions_destroy(&actions);
    if (check) {
        ::close(pipeEnds[1]);
        // Line by line, so that how the pipe happens to cut the output does not change the digest.
        std::string pending;
        std::vector<char> buffer(1 << 20);
        for (;;) {
            const ssize_t got = ::read(pipeEnds[0], buffer.data(), buffer.size());
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            pending.append(buffer.data(), static_cast<size_t>(got));
            size_t start = 0;
            for (size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1)
                check->add(pending.data() + start, end - start);
            pending.erase(0, start);
        }
        if (!pending.empty()) check->add(pending);
        ::close(pipeEnds[0]);
    }
    int status = 0;
    return spawned && waitpid(pid, &status, 0) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

// Whether what run gives, fed to a check, still digests as with the previous build.
template <class Run>
bool sameAsPreviousBuild(benchmark::State& state, const std::string& name, Run run) {
    restore();
    bench::OutputCheck check;
    if (!run(&check)) {
        state.SkipWithError((name + " failed").c_str());
        return false;
    }
    return bench::outputUnchanged(state, name, check.finish());
}

// Seconds per run of the carver alone in this process, for the end-to-end run's ratio.
double carverSeconds = 0;

double secondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

void BM_CallCarverAlone(benchmark::State& state) {
    original();
    if (!sameAsPreviousBuild(state, "call_carver_alone", [](bench::OutputCheck* check) {
            carveCalls(check);
            return true;
        }))
        return;
    for (auto _ : state) {
        state.PauseTiming();
        restore();
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        carveCalls(nullptr);
        carverSeconds += secondsSince(start) / static_cast<double>(state.max_iterations);
    }
    state.counters["MB"] = megabytes();
}

void timeBackupDump(benchmark::State& state, bool quiet) {
    original();
    if (!sameAsPreviousBuild(state, "backup_dump_carve",
                             [](bench::OutputCheck* check) { return runBackupDump(check); }))
        return;
    double seconds = 0;
    for (auto _ : state) {
        state.PauseTiming();
        restore();
        state.ResumeTiming();
        const auto start = std::chrono::steady_clock::now();
        if (!runBackupDump(nullptr, quiet)) state.SkipWithError("backup-dump --carve failed");
        seconds += secondsSince(start) / static_cast<double>(state.max_iterations);
    }
    state.counters["MB"] = megabytes();
    // Against the carver alone measured just before in this run.
    if (carverSeconds > 0) state.counters["xCarver"] = seconds / carverSeconds;
}

void BM_BackupDumpCarve(benchmark::State& state) { timeBackupDump(state, true); }
void BM_BackupDumpCarvePrinted(benchmark::State& state) { timeBackupDump(state, false); }

// The same backup without --carve: the readers' own time over the 1.19 million live calls, the
// floor under the end-to-end carve, which must read them too.
void BM_BackupDumpReadersOnly(benchmark::State& state) {
    original();
    if (!sameAsPreviousBuild(state, "backup_dump_readers",
                             [](bench::OutputCheck* check) { return runBackupDump(check, false, false); }))
        return;
    for (auto _ : state) {
        state.PauseTiming();
        restore();
        state.ResumeTiming();
        if (!runBackupDump(nullptr, true, false)) state.SkipWithError("backup-dump failed");
    }
    state.counters["MB"] = megabytes();
}

// Seven runs each: on a virtual machine one run can take a tenth longer or shorter than the
// next, and the ratio is of two such means.
BENCHMARK(BM_CallCarverAlone)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_BackupDumpReadersOnly)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_BackupDumpCarve)->Unit(benchmark::kMillisecond)->Iterations(7);
BENCHMARK(BM_BackupDumpCarvePrinted)->Unit(benchmark::kMillisecond)->Iterations(7);

}  // namespace

int main(int argc, char** argv) {
    // As backup-dump runs, so that the carver alone is measured under the same allocator.
    heapgrowth::growInLargeSteps();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
