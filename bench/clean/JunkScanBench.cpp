// The device clean's junk scan of a simulated device with 200 apps and 100,000 cache files:
// the time per file, and how much of it is spent outside the device calls (the walk's own
// work, the records, the trees the page builds from them).
#include "../support/OutputCheck.h"
#include "../support/TempFolder.h"
#include "../support/TimedFileService.h"
#include "clean/PRAppTreeController.h"
#include "clean/core/CleanDeviceServices.h"
#include "clean/core/JunkScan.h"
#include "device/DeviceManager.h"
#include "platform/CoreFoundation.h"
#include "platform/SimulatedDevices.h"

#include <atomic>
#include <benchmark/benchmark.h>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kApps = 200;
constexpr int kFilesPerApp = 500;  // 100,000 cache files in all
constexpr int kFoldersPerApp = 5;

using bench::g_deviceNanos;
using bench::Timer;

class TimedServices final : public clean::DeviceCleanServices {
public:
    explicit TimedServices(clean::DeviceCleanServices& inner) : inner_(inner) {}
    std::unique_ptr<amd::FileService> startAppDir(int d, const std::string& b, int* status) override {
        Timer t;
        auto s = inner_.startAppDir(d, b, status);
        return bench::TimedFileService::wrap(std::move(s));
    }
    std::unique_ptr<amd::FileService> startMediaArea(int d, int* status) override {
        Timer t;
        auto s = inner_.startMediaArea(d, status);
        return bench::TimedFileService::wrap(std::move(s));
    }
    bool lookupApplications(int d, std::vector<clean::InstalledApp>& a, int* s) override {
        Timer t;
        return inner_.lookupApplications(d, a, s);
    }
    IconResult iconPNGData(int d, const std::string& b, std::vector<uint8_t>& p, int* s) override {
        Timer t;
        return inner_.iconPNGData(d, b, p, s);
    }

private:
    clean::DeviceCleanServices& inner_;
};

void writePlist(CFTypeRef plist, const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    CFPropertyListWriteToFile(plist, path, kCFPropertyListXMLFormat_v1_0);
}

// The device folder, written and attached once.
struct BenchDevice {
    bench::TempFolder made{"clean-bench"};
    std::string root = made.path();
    BenchDevice() {
        CFHolder<CFMutableDictionaryRef> values(CFDictionaryCreateMutable());
        CFHolder<CFStringRef> udid(CFStringCreateWithCString("cleanbench000000000000000000000000000000"));
        CFDictionarySetValue(values.get(), "UniqueDeviceID", udid.get());
        writePlist(values.get(), root + "/lockdown/values.plist");
        fs::create_directories(root + "/media/iTunes_Control/Sync");
        for (int a = 0; a < kApps; ++a) {
            const std::string id = "com.example.bench" + std::to_string(a);
            CFHolder<CFMutableDictionaryRef> attributes(CFDictionaryCreateMutable());
            CFHolder<CFStringRef> bundle(CFStringCreateWithCString(id.c_str()));
            CFHolder<CFStringRef> display(CFStringCreateWithCString(("Bench App " + std::to_string(a)).c_str()));
            CFHolder<CFStringRef> user(CFStringCreateWithCString("User"));
            CFDictionarySetValue(attributes.get(), "CFBundleIdentifier", bundle.get());
            CFDictionarySetValue(attributes.get(), "CFBundleDisplayName", display.get());
            CFDictionarySetValue(attributes.get(), "ApplicationType", user.get());
            const std::string app = root + "/apps/" + id;
            writePlist(attributes.get(), app + "/attributes.plist");
            fs::create_directories(app + "/container/tmp");
            fs::create_directories(app + "/container/Library/Cookies");
            for (int f = 0; f < kFilesPerApp; ++f) {
                const std::string folder =
                    app + "/container/Library/Caches/Folder" + std::to_string(f % kFoldersPerApp);
                if (f < kFoldersPerApp) fs::create_directories(folder);
                std::ofstream(folder + "/cache" + std::to_string(f) + ".dat") << f;
            }
        }
        amd::DeviceManager::Instance()->Subscribe();
        if (simdevice::attach(root) == 0 || !amd::DeviceManager::Instance()->FindItem(0)) std::abort();
    }
    ~BenchDevice() { simdevice::detachAll(); }
};

BenchDevice& benchDevice() {
    static BenchDevice d;
    return d;
}

// The page's main-thread work, done inline: the records go into the three trees.
struct TreeSink : clean::JunkScanSink {
    PRAppTreeController junk, cache, cookie;
    void deliver(clean::JunkScanBatch batch) override {
        for (auto& r : batch.junk) junk.addTreeNode(r, true);
        for (auto& r : batch.cache) cache.addTreeNode(r, true);
        for (auto& r : batch.cookie) cookie.addTreeNode(r, true);
    }
};

// What one scan finds, in order: how it ended, each category's records (app, device path,
// size) and the counts.
std::string scanDigest(clean::DeviceCleanServices& services) {
    clean::JunkScanCounters counters;
    clean::JunkScanLists lists;
    TreeSink sink;
    clean::JunkScan scan(services, {}, counters, lists, sink);
    bench::OutputCheck check;
    check.add(static_cast<int64_t>(scan.run()));
    for (const auto* list : {&lists.junkFileArray, &lists.cacheFileArray, &lists.cookieFileArray}) {
        check.add(static_cast<int64_t>(list->size()));
        for (const PRCleanDirNodePtr& record : *list) {
            check.add(record->appBundleName.toStdString());
            check.add(record->filePath.toStdString());
            check.add(static_cast<int64_t>(record->fileSizeNumber));
        }
    }
    check.add(static_cast<int64_t>(counters.totalFileNumber.load()));
    check.add(static_cast<int64_t>(counters.totalFileSize.load()));
    return check.finish();
}

void JunkScanOfSimulatedDevice(benchmark::State& state) {
    benchDevice();
    TimedServices services(clean::deviceCleanServices());
    if (!bench::outputUnchanged(state, "clean_JunkScanOfSimulatedDevice", scanDigest(services))) return;
    int64_t deviceNanos = 0, totalNanos = 0;
    uint64_t files = 0;
    for (auto _ : state) {
        clean::JunkScanCounters counters;
        clean::JunkScanLists lists;
        TreeSink sink;
        clean::JunkScan::Options options;
        g_deviceNanos = 0;
        const auto start = Clock::now();
        clean::JunkScan scan(services, options, counters, lists, sink);
        if (scan.run() != clean::JunkScan::Outcome::Finished) state.SkipWithError("scan did not finish");
        totalNanos += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
        deviceNanos += g_deviceNanos;
        files = counters.totalFileNumber;
        if (files != uint64_t(kApps) * kFilesPerApp) state.SkipWithError("wrong number of files");
    }
    const double iterations = double(state.iterations());
    state.counters["files"] = double(files);
    state.counters["us_per_file"] = double(totalNanos) / iterations / double(files) / 1000.0;
    state.counters["outside_device_share"] = totalNanos ? 1.0 - double(deviceNanos) / double(totalNanos) : 0;
    state.counters["outside_us_per_file"] = double(totalNanos - deviceNanos) / iterations / double(files) / 1000.0;
}
BENCHMARK(JunkScanOfSimulatedDevice)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
