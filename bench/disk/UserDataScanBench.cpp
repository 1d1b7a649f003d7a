// The disk manager's user-data scan of a simulated device holding 100,000 files in 5,000
// folders: the time per file, and how much of it is spent outside the device calls (the walk's
// own work, the items, and the folder tree the page builds from them).
#include "../support/OutputCheck.h"
#include "SimulatedBenchDevice.h"
#include "TimedDiskServices.h"
#include "disk/PRSystemLibTreeController.h"
#include "disk/core/DiskDeviceServices.h"
#include "disk/core/UserDataScan.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using benchdisk::Clock;
using benchdisk::g_deviceNanos;
using benchdisk::TimedServices;

namespace {

constexpr int kTopFolders = 50;
constexpr int kFoldersEach = 100;  // 5,000 folders holding files
constexpr int kFilesEach = 20;     // 100,000 files in all

// The device folder, written and attached once.
struct BenchDevice : SimulatedBenchDevice {
    BenchDevice()
        : SimulatedBenchDevice("diskbench0000000000000000000000000000000", [](const std::string& root) {
              for (int t = 0; t < kTopFolders; ++t)
                  for (int f = 0; f < kFoldersEach; ++f) {
                      const std::string folder =
                          root + "/media/Area" + std::to_string(t) + "/Folder" + std::to_string(f);
                      fs::create_directories(folder);
                      for (int i = 0; i < kFilesEach; ++i)
                          std::ofstream(folder + "/file" + std::to_string(i) + ".dat") << i;
                  }
          }) {}
};

BenchDevice& benchDevice() {
    static BenchDevice d;
    return d;
}

// The page's main-thread work, done inline: the items go into the folder tree.
struct TreeSink : disk::UserDataSink {
    PRSystemLibTreeController tree;
    void deliver(std::vector<disk::UserDataItem> items, std::optional<float>) override {
        for (const disk::UserDataItem& item : items) {
            auto node = PRPhoneSystemDirNode::create();
            node->filePath = QString::fromStdString(item.path);
            node->isFile = item.isFile;
            node->fileSize = QString::fromStdString(item.sizeText);
            node->fileSizeNumber = item.size;
            tree.addTreeNode(node);
        }
    }
};

// Every item one scan hands over, in order, and the files it counted.
struct CheckingSink : disk::UserDataSink {
    bench::OutputCheck check;
    void deliver(std::vector<disk::UserDataItem> items, std::optional<float>) override {
        for (const disk::UserDataItem& item : items) {
            check.add(item.path);
            check.add(int64_t{item.isFile});
            check.add(static_cast<int64_t>(item.size));
            check.add(item.sizeText);
        }
    }
};

std::string scanDigest(disk::DiskDeviceServices& services) {
    CheckingSink sink;
    disk::UserDataScan scan(services, {}, sink);
    sink.check.add(static_cast<int64_t>(scan.startScanUserData()));
    sink.check.add(static_cast<int64_t>(scan.fileCount()));
    return sink.check.finish();
}

void UserDataScanOfSimulatedDevice(benchmark::State& state) {
    benchDevice();
    TimedServices services(disk::deviceDiskServices());
    if (!bench::outputUnchanged(state, "disk_UserDataScanOfSimulatedDevice", scanDigest(services))) return;
    int64_t deviceNanos = 0, totalNanos = 0;
    uint64_t files = 0;
    for (auto _ : state) {
        TreeSink sink;
        g_deviceNanos = 0;
        const auto start = Clock::now();
        disk::UserDataScan scan(services, {}, sink);
        if (scan.startScanUserData() != disk::UserDataScan::Outcome::Finished)
            state.SkipWithError("scan did not finish");
        totalNanos += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
        deviceNanos += g_deviceNanos;
        files = scan.fileCount();
        if (files != uint64_t(kTopFolders) * kFoldersEach * kFilesEach) state.SkipWithError("wrong number of files");
    }
    const double iterations = double(state.iterations());
    state.counters["files"] = double(files);
    state.counters["us_per_file"] = double(totalNanos) / iterations / double(files) / 1000.0;
    state.counters["outside_device_share"] = totalNanos ? 1.0 - double(deviceNanos) / double(totalNanos) : 0;
    state.counters["outside_us_per_file"] = double(totalNanos - deviceNanos) / iterations / double(files) / 1000.0;
}
BENCHMARK(UserDataScanOfSimulatedDevice)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
