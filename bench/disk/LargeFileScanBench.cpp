// The large-file finder's scan of a simulated device with 200 apps and 100,000 files, 50 of them
// above the limit: the time per file, and how much of it is spent outside the device calls (the
// walk's own work, the records and the path labels the page shows).
#include "../support/OutputCheck.h"
#include "../support/TempFolder.h"
#include "TimedDiskServices.h"
#include "device/DeviceManager.h"
#include "disk/core/DiskDeviceServices.h"
#include "disk/core/LargeFileScan.h"
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
using benchdisk::Clock;
using benchdisk::g_deviceNanos;

namespace {

constexpr int kApps = 200;
constexpr int kFilesPerApp = 250;  // 50,000 in the containers
constexpr int kMediaFolders = 500;
constexpr int kFilesPerFolder = 100;  // 50,000 in the media area
constexpr int kLarge = 50;            // 25 in each area, above the 2 MB limit
constexpr uint64_t kLimit = 2000000;

void writePlist(CFTypeRef plist, const std::string& path) {
    fs::create_directories(fs::path(path).parent_path());
    CFPropertyListWriteToFile(plist, path, kCFPropertyListXMLFormat_v1_0);
}

void setText(CFMutableDictionaryRef d, const char* key, const std::string& value) {
    CFHolder<CFStringRef> s(CFStringCreateWithCString(value.c_str()));
    CFDictionarySetValue(d, key, s.get());
}

// A file of size bytes; the large ones are sparse, so the folder stays small on disk.
void writeFile(const std::string& path, uint64_t size) {
    std::ofstream(path) << 'x';
    if (size > 1) fs::resize_file(path, size);
}

// The device folder, written and attached once.
struct BenchDevice {
    bench::TempFolder made{"large-file-bench"};
    std::string root = made.path();
    BenchDevice() {
        CFHolder<CFMutableDictionaryRef> values(CFDictionaryCreateMutable());
        setText(values.get(), "UniqueDeviceID", "diskbench0000000000000000000000000000000");
        writePlist(values.get(), root + "/lockdown/values.plist");
        int large = 0;
        for (int f = 0; f < kMediaFolders; ++f) {
            const std::string folder = root + "/media/Area" + std::to_string(f % 10) + "/Folder" + std::to_string(f);
            fs::create_directories(folder);
            for (int i = 0; i < kFilesPerFolder; ++i) {
                const bool big = large < kLarge / 2 && i == 0 && f % (kMediaFolders / (kLarge / 2)) == 0;
                writeFile(folder + "/file" + std::to_string(i) + ".dat", big ? kLimit + 1000 * uint64_t(++large) : 512);
            }
        }
        for (int a = 0; a < kApps; ++a) {
            const std::string id = "com.example.bench" + std::to_string(a);
            CFHolder<CFMutableDictionaryRef> attributes(CFDictionaryCreateMutable());
            setText(attributes.get(), "CFBundleIdentifier", id);
            setText(attributes.get(), "CFBundleDisplayName", "Bench App " + std::to_string(a));
            setText(attributes.get(), "ApplicationType", "User");
            const std::string app = root + "/apps/" + id;
            writePlist(attributes.get(), app + "/attributes.plist");
            const char* folders[] = {"Documents", "Library/Caches", "tmp", "Library/Preferences", "Library/Cookies"};
            for (const char* sub : folders) fs::create_directories(app + "/container/" + sub);
            for (int i = 0; i < kFilesPerApp; ++i) {
                const bool big = large < kLarge && i == 0 && a % (kApps / (kLarge / 2)) == 0;
                writeFile(app + "/container/" + folders[i % 5] + "/item" + std::to_string(i) + ".bin",
                          big ? kLimit + 1000 * uint64_t(++large) : 256);
            }
        }
        if (large != kLarge) std::abort();
        amd::DeviceManager::Instance()->Subscribe();
        if (simdevice::attach(root) == 0 || !amd::DeviceManager::Instance()->FindItem(0)) std::abort();
    }
    ~BenchDevice() { simdevice::detachAll(); }
};

BenchDevice& benchDevice() {
    static BenchDevice d;
    return d;
}

// The page's main-thread work, done inline: the path labels of the hits.
struct LabelSink : disk::LargeFileSink {
    std::string userLabel, appLabel;
    void userDataProgress(float) override {}
    void foundUserDataFile(const std::string& p) override { userLabel = disk::largeFilePathLabel(p); }
    void appDataProgress(float) override {}
    void foundAppDataFile(const std::string& p) override { appLabel = disk::largeFilePathLabel(p); }
};

// What one scan of both areas finds, as the page lists it: how each half ended, the files
// looked at, both sums, and every large file largest first with its app and sizes.
std::string scanDigest(disk::DiskDeviceServices& services) {
    LabelSink sink;
    disk::LargeFileScan::Options options;
    options.largeFileSize = kLimit;
    disk::LargeFileScan scan(services, options, sink);
    bench::OutputCheck check;
    check.add(static_cast<int64_t>(scan.scanFindLargeFileWithInUserData()));
    check.add(static_cast<int64_t>(scan.scanFindLargeFileWithInAppData()));
    check.add(static_cast<int64_t>(scan.filesExamined));
    check.add(static_cast<int64_t>(scan.allDocumentFileSize));
    check.add(static_cast<int64_t>(scan.allAppFileSize));
    for (auto* list : {&scan.userDataLargeFileArray, &scan.appLargeFileArray}) {
        disk::sortLargestFirst(*list);
        check.add(static_cast<int64_t>(list->size()));
        for (const disk::LargeFileRecord& record : *list) {
            check.add(record.filePath);
            check.add(record.fileSize);
            check.add(record.fileParentName);
            check.add(record.appBundId);
            check.add(static_cast<int64_t>(record.fileSizeNumber));
            check.add(static_cast<int64_t>(record.appFileSizeNumber));
        }
    }
    return check.finish();
}

void LargeFileScanOfSimulatedDevice(benchmark::State& state) {
    benchDevice();
    benchdisk::TimedServices services(disk::deviceDiskServices());
    if (!bench::outputUnchanged(state, "large_file_LargeFileScanOfSimulatedDevice", scanDigest(services))) return;
    int64_t deviceNanos = 0, totalNanos = 0;
    uint64_t files = 0;
    for (auto _ : state) {
        LabelSink sink;
        disk::LargeFileScan::Options options;
        options.largeFileSize = kLimit;
        g_deviceNanos = 0;
        const auto start = Clock::now();
        disk::LargeFileScan scan(services, options, sink);
        const bool finished = scan.scanFindLargeFileWithInUserData() == disk::LargeFileScan::Outcome::Finished &&
                              scan.scanFindLargeFileWithInAppData() == disk::LargeFileScan::Outcome::Finished;
        for (auto* list : {&scan.userDataLargeFileArray, &scan.appLargeFileArray}) disk::sortLargestFirst(*list);
        totalNanos += std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - start).count();
        deviceNanos += g_deviceNanos;
        files = scan.filesExamined;
        if (!finished) state.SkipWithError("scan did not finish");
        // Library/Preferences is not walked: a fifth of the container files.
        const uint64_t expected = uint64_t(kMediaFolders) * kFilesPerFolder + uint64_t(kApps) * kFilesPerApp * 4 / 5;
        if (files != expected) state.SkipWithError("wrong number of files");
        if (scan.userDataLargeFileArray.size() + scan.appLargeFileArray.size() != kLarge)
            state.SkipWithError("wrong number of large files");
    }
    const double iterations = double(state.iterations());
    state.counters["files"] = double(files);
    state.counters["us_per_file"] = double(totalNanos) / iterations / double(files) / 1000.0;
    state.counters["outside_device_share"] = totalNanos ? 1.0 - double(deviceNanos) / double(totalNanos) : 0;
    state.counters["outside_us_per_file"] = double(totalNanos - deviceNanos) / iterations / double(files) / 1000.0;
}
BENCHMARK(LargeFileScanOfSimulatedDevice)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
