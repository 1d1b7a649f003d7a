// Each carver over a generated database of about 100 MB, against a plain sequential read of
// the same file. The journal is not folded between runs, so every run carves the same layout.
#include "CarvingFixtures.h"
#include "backup/carve/DelBookMarkCarver.h"
#include "backup/carve/DelCalenderCarver.h"
#include "backup/carve/DelCallHistoryCarver.h"
#include "backup/carve/DelContactCarver.h"
#include "backup/carve/DelMessageCarver.h"
#include "backup/carve/DelNoteCarver.h"
#include "platform/Paths.h"

#include <benchmark/benchmark.h>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace {

constexpr int64_t kTarget = 100 * 1024 * 1024;

const std::string& folder() {
    static std::string path = [] {
        std::string base = paths::privateTempDirectory();
        if (base.empty()) base = std::filesystem::temp_directory_path().string();
        std::string pattern = base + "/carve-bench-XXXXXX";
        std::vector<char> buffer(pattern.begin(), pattern.end());
        buffer.push_back('\0');
        const char* made = mkdtemp(buffer.data());
        return made ? std::string(made) : std::string();
    }();
    return path;
}

int64_t fileSize(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0 ? st.st_size : 0;
}

// Writes the database once with enough rows for about 100 MB (estimated from a small one).
const std::string& database(const char* name,
                            const std::function<void(const std::string&, const carvefix::Options&)>& write) {
    static std::map<std::string, std::string> made;
    auto it = made.find(name);
    if (it != made.end()) return it->second;
    std::string path = folder() + "/" + name;
    carvefix::Options probe;
    probe.live = 2000;
    probe.deleted = 1000;
    probe.deletedPages = 200;
    write(path, probe);
    double bytesPerRow = static_cast<double>(fileSize(path)) / 3200.0;
    carvefix::Options o;
    int rows = static_cast<int>(kTarget / bytesPerRow);
    o.live = rows * 6 / 10;
    o.deleted = rows * 3 / 10;
    o.deletedPages = rows / 10;
    write(path, o);
    return made[name] = path;
}

void runCarver(benchmark::State& state, const char* name,
               const std::function<void(const std::string&, const carvefix::Options&)>& write,
               const std::function<void(carve::CarveContext&)>& carve, bool ios6 = false) {
    const std::string& path = database(name, write);
    for (auto _ : state) {
        PRBackupScanState scan;
        scan.currentNodeIsiOS6Version = ios6;
        NSNotificationCenter nc;
        carve::CarveContext context(scan, nc);
        carve(context);
    }
    state.SetBytesProcessed(state.iterations() * fileSize(path));
    state.counters["MB"] = static_cast<double>(fileSize(path)) / (1024.0 * 1024.0);
}

void plainRead(benchmark::State& state, const char* name) {
    const std::string path = folder() + "/" + name;
    std::vector<char> buffer(1 << 20);
    for (auto _ : state) {
        int fd = ::open(path.c_str(), O_RDONLY);
        while (::read(fd, buffer.data(), buffer.size()) > 0) benchmark::DoNotOptimize(buffer.data());
        ::close(fd);
    }
    state.SetBytesProcessed(state.iterations() * fileSize(path));
}

using namespace carvefix;

void BM_Contacts(benchmark::State& s) {
    runCarver(
        s, names::addressBook, [](auto& p, auto& o) { writeAddressBook(p, o); },
        [](auto& c) { carve::DelContactCarver(c).scanDelContactThread(folder()); });
}
void BM_Messages(benchmark::State& s) {
    runCarver(
        s, names::messages, [](auto& p, auto& o) { writeMessages(p, o, MessageLayout::ios6); },
        [](auto& c) { carve::DelMessageCarver(c).scanDelMessageThread(folder()); }, true);
}
void BM_Notes(benchmark::State& s) {
    runCarver(
        s, names::notes, [](auto& p, auto& o) { writeNotes(p, o); },
        [](auto& c) { carve::DelNoteCarver(c).scanDelNoteThread(folder()); });
}
void BM_Calls(benchmark::State& s) {
    runCarver(
        s, names::calls, [](auto& p, auto& o) { writeCallHistory(p, o); },
        [](auto& c) { carve::DelCallHistoryCarver(c).scanDelCallHistoryThread(folder()); }, true);
}
void BM_Bookmarks(benchmark::State& s) {
    runCarver(
        s, names::bookmarks, [](auto& p, auto& o) { writeBookmarks(p, o); },
        [](auto& c) { carve::DelBookMarkCarver(c).ScanDelBookMarkThread(folder()); });
}
void BM_Calendar(benchmark::State& s) {
    runCarver(
        s, names::calendar, [](auto& p, auto& o) { writeCalendar(p, o); },
        [](auto& c) { carve::DelCalenderCarver(c).ScanDelCalenderThread(folder()); });
}

#define CARVE_BENCH(fn, file)                                   \
    BENCHMARK(fn)->Unit(benchmark::kMillisecond)->MinTime(1.0); \
    BENCHMARK_CAPTURE(plainRead, fn, file)->Unit(benchmark::kMillisecond)->MinTime(1.0);

CARVE_BENCH(BM_Contacts, names::addressBook)
CARVE_BENCH(BM_Messages, names::messages)
CARVE_BENCH(BM_Notes, names::notes)
CARVE_BENCH(BM_Calls, names::calls)
CARVE_BENCH(BM_Bookmarks, names::bookmarks)
CARVE_BENCH(BM_Calendar, names::calendar)

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    if (!folder().empty()) std::filesystem::remove_all(folder());
    return 0;
}
