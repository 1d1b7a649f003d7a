// Copying a 100 MB file off a simulated device against a plain local copy, and walking a
// device tree of 100,000 files with ListDirectory and FileInfo.
#include "../support/OutputCheck.h"
#include "../support/TempFolder.h"
#include "device/AfcService.h"
#include "device/Conversions.h"
#include "device/DeviceManager.h"
#include "platform/CoreFoundation.h"
#include "platform/SimulatedDevices.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr size_t kBigFile = 100u << 20;
constexpr int kFolders = 100, kFilesPerFolder = 1000;

// One device folder with the big file and the tree, attached once for all benchmarks.
struct Device {
    bench::TempFolder made{"device-bench"};
    std::string root = made.path(), local = root + "/local";

    Device() {
        fs::create_directories(root + "/lockdown");
        fs::create_directories(root + "/media/big");
        fs::create_directories(local);
        CFMutableDictionaryRef values = CFDictionaryCreateMutable();
        CFHolder<CFStringRef> udid(CFStringCreateWithCString("bench0000000000000000000000000000000000"));
        CFDictionarySetValue(values, "UniqueDeviceID", udid.get());
        CFPropertyListWriteToFile(values, root + "/lockdown/values.plist", kCFPropertyListXMLFormat_v1_0);
        CFRelease(values);

        std::vector<char> chunk(1 << 20);
        for (size_t i = 0; i < chunk.size(); ++i) chunk[i] = static_cast<char>(i * 2654435761u >> 13);
        std::ofstream big(root + "/media/big/movie.mov", std::ios::binary);
        for (size_t done = 0; done < kBigFile; done += chunk.size()) big.write(chunk.data(), chunk.size());
        big.close();
        for (int f = 0; f < kFolders; ++f) {
            std::string folder = root + "/media/tree/F" + std::to_string(f);
            fs::create_directories(folder);
            for (int i = 0; i < kFilesPerFolder; ++i) std::ofstream(folder + "/file" + std::to_string(i) + ".dat") << i;
        }
        amd::DeviceManager::Instance()->Subscribe();
        if (simdevice::attach(root) == 0 || !amd::DeviceManager::Instance()->FindItem(0)) std::abort();
    }
    ~Device() { simdevice::detachAll(); }
};

Device& device() {
    static Device d;
    return d;
}

// The bytes of a file a copy wrote.
std::string fileDigest(const std::string& path) {
    bench::OutputCheck check;
    check.addFileBytes(path);
    return check.finish();
}

void CopyToLocalFromDevice(benchmark::State& state) {
    Device& d = device();
    amd::AfcService afc;
    if (afc.Start(0) != 0 || afc.CopyToLocal("/big/movie.mov", d.local + "/copy.mov") != 0) {
        state.SkipWithError("service did not start or copy failed");
        return;
    }
    if (!bench::outputUnchanged(state, "device_CopyToLocalFromDevice", fileDigest(d.local + "/copy.mov"))) return;
    for (auto _ : state) {
        if (afc.CopyToLocal("/big/movie.mov", d.local + "/copy.mov") != 0) state.SkipWithError("copy failed");
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBigFile));
}
BENCHMARK(CopyToLocalFromDevice)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

// The same bytes copied locally in 4096-byte records, as the device copy does.
void copyIn4K(const std::string& from, const std::string& to, std::vector<char>& buffer) {
    FILE* in = std::fopen(from.c_str(), "rb");
    FILE* out = std::fopen(to.c_str(), "wb");
    size_t n;
    while ((n = std::fread(buffer.data(), 1, buffer.size(), in)) > 0) std::fwrite(buffer.data(), 1, n, out);
    std::fclose(in);
    std::fclose(out);
}

void PlainLocalCopy4K(benchmark::State& state) {
    Device& d = device();
    std::vector<char> buffer(4096);
    copyIn4K(d.root + "/media/big/movie.mov", d.local + "/plain.mov", buffer);
    if (!bench::outputUnchanged(state, "device_PlainLocalCopy4K", fileDigest(d.local + "/plain.mov"))) return;
    for (auto _ : state) copyIn4K(d.root + "/media/big/movie.mov", d.local + "/plain.mov", buffer);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBigFile));
}
BENCHMARK(PlainLocalCopy4K)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

// The operating system's own file copy.
void PlainLocalCopyFile(benchmark::State& state) {
    Device& d = device();
    fs::copy_file(d.root + "/media/big/movie.mov", d.local + "/system.mov", fs::copy_options::overwrite_existing);
    if (!bench::outputUnchanged(state, "device_PlainLocalCopyFile", fileDigest(d.local + "/system.mov"))) return;
    for (auto _ : state)
        fs::copy_file(d.root + "/media/big/movie.mov", d.local + "/system.mov", fs::copy_options::overwrite_existing);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * kBigFile));
}
BENCHMARK(PlainLocalCopyFile)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

// The files under path; check, when given, gets each path the walk meets and its kind.
int64_t walk(amd::AfcService& afc, const std::string& path, bench::OutputCheck* check = nullptr) {
    int64_t files = 0;
    CFHolder<CFMutableArrayRef> names(afc.ListDirectory(path));
    for (CFTypeRef name : amd::cfarray_to_vector(names.get())) {
        std::string child = path + "/" + amd::cftype_to_string(name);
        CFHolder<CFMutableDictionaryRef> info(afc.FileInfo(child));
        const std::string kind = amd::cftype_to_string(CFDictionaryGetValue(info.get(), "st_ifmt"));
        if (check) {
            check->add(child);
            check->add(kind);
        }
        if (kind == "S_IFDIR")
            files += walk(afc, child, check);
        else
            ++files;
    }
    return files;
}

void WalkDeviceTree(benchmark::State& state) {
    device();
    amd::AfcService afc;
    if (afc.Start(0) != 0) {
        state.SkipWithError("service did not start");
        return;
    }
    bench::OutputCheck check;
    check.add(walk(afc, "/tree", &check));
    if (!bench::outputUnchanged(state, "device_WalkDeviceTree", check.finish())) return;
    int64_t files = 0;
    for (auto _ : state) {
        files = walk(afc, "/tree");
        if (files != kFolders * kFilesPerFolder) state.SkipWithError("files missing");
    }
    state.SetItemsProcessed(state.iterations() * files);
    state.counters["ns_per_file"] = benchmark::Counter(static_cast<double>(files) * state.iterations(),
                                                       benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}
BENCHMARK(WalkDeviceTree)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(3);

}  // namespace

BENCHMARK_MAIN();
