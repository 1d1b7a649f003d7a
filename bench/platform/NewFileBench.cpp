// The one writer putting 3,000 files of one name into a folder (each taking the next numbered
// name, "IMG_0001 (3000).JPG" last) against 3,000 files of distinct names: numbering should
// cost a few looks per file, not one per earlier file.
#include "TempFolder.h"
#include "platform/NewFile.h"

#include <benchmark/benchmark.h>
#include <filesystem>

namespace {

constexpr int kFiles = 3000;

void writeFiles(benchmark::State& state, bool sameName) {
    for (auto _ : state) {
        state.PauseTiming();
        bench::TempFolder folder("bench-numbering");
        state.ResumeTiming();
        for (int i = 0; i < kFiles; ++i) {
            const std::string name = sameName ? std::string("IMG_0001.JPG") : "IMG_" + std::to_string(i) + ".JPG";
            const files::Outcome outcome = files::writeNewFile(folder.path() + "/" + name, "jpeg");
            if (!outcome.ok()) state.SkipWithError(outcome.reason.c_str());
        }
        state.PauseTiming();
        if (sameName && !std::filesystem::exists(folder.path() + "/IMG_0001 (3000).JPG"))
            state.SkipWithError("the 3,000th file did not take the number 3000");
        state.ResumeTiming();
    }
    state.SetItemsProcessed(state.iterations() * kFiles);
}

void DistinctNames(benchmark::State& state) { writeFiles(state, false); }
void SameName(benchmark::State& state) { writeFiles(state, true); }

}  // namespace

BENCHMARK(DistinctNames)->Unit(benchmark::kMillisecond);
BENCHMARK(SameName)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
