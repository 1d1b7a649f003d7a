// backup-dump --carve end to end over a backup whose call history is about 100 MB of natural
// values (real iOS 6 layout, times to the second, every size of duration, 30% of the calls
// deleted), its output thrown away, against the call carver alone on the same file.
#include "NaturalFixtures.h"
#include "backup/carve/DelCallHistoryCarver.h"
#include "platform/Paths.h"

#include <benchmark/benchmark.h>
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
    static std::string path = [] {
        std::string base = paths::privateTempDirectory();
        if (base.empty()) base = std::filesystem::temp_directory_path().string();
        std::vector<char> pattern(base.begin(), base.end());
        const std::string tail = "/dump-bench-XXXXXX";
        pattern.insert(pattern.end(), tail.begin(), tail.end());
        pattern.push_back('\0');
        const char* made = mkdtemp(pattern.data());
        return made ? std::string(made) : std::string();
    }();
    return path;
}

// The backup folder with its call history, written once; the database is copied afresh before
// each run, since reading a backup prepares its databases in place.
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

void BM_CallCarverAlone(benchmark::State& state) {
    original();
    for (auto _ : state) {
        state.PauseTiming();
        restore();
        state.ResumeTiming();
        PRBackupScanState scan;
        scan.currentNodeIsiOS6Version = true;
        NSNotificationCenter nc;
        int posted = 0;
        nc.addObserver(&posted, "ScanDelCallHistoryInfo", [&](const NSNotification&) { ++posted; });
        carve::CarveContext context(scan, nc);
        carve::DelCallHistoryCarver(context).scanDelCallHistoryThread(folder());
        benchmark::DoNotOptimize(posted);
        nc.removeObserver(&posted);
    }
    state.counters["MB"] = megabytes();
}

void BM_BackupDumpCarve(benchmark::State& state) {
    original();
    const std::string program = paths::executableDirectory() + "/backup-dump";
    for (auto _ : state) {
        state.PauseTiming();
        restore();
        state.ResumeTiming();
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
        std::vector<char*> argv = {const_cast<char*>(program.c_str()), const_cast<char*>("--carve"),
                                   const_cast<char*>(folder().c_str()), nullptr};
        pid_t pid = 0;
        int status = 0;
        if (posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) != 0 ||
            waitpid(pid, &status, 0) != pid || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
            state.SkipWithError("backup-dump --carve failed");
        posix_spawn_file_actions_destroy(&actions);
    }
    state.counters["MB"] = megabytes();
}

BENCHMARK(BM_CallCarverAlone)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(BM_BackupDumpCarve)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!folder().empty()) std::filesystem::remove_all(folder());
    return 0;
}
