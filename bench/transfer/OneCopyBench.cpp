// The one-click copy of a simulated device holding 2 GiB of media (camera-roll photos of 512 KiB)
// into an export folder, against a plain copy of the same files from the device's folder, and
// the record half apart (the backup of the device's home area and the record files written
// from it). Target: the media copy keeps at least 70% of the plain copy's throughput.
// QM_ONECOPY_BENCH_MB sets another size of media.
#include "../support/OutputCheck.h"
#include "../support/TempFolder.h"
#include "SampleDevice.h"
#include "device/DeviceManager.h"
#include "disk/core/DiskDeviceServices.h"
#include "platform/CoreFoundation.h"
#include "platform/SimulatedDevices.h"
#include "transfer/core/OneCopyRun.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using transfer::OneCopyCategory;

namespace {

constexpr size_t kPhotoBytes = 512u << 10;
constexpr int kPhotosPerFolder = 1000;
const char* const kUdid = "onecopybench0000000000000000000000000000";

int photoCount() {
    const char* mb = std::getenv("QM_ONECOPY_BENCH_MB");
    const long megabytes = mb && *mb ? std::strtol(mb, nullptr, 10) : 2048;
    return int(std::max(1L, megabytes * 2));
}

std::string cameraFolder(int photo) { return "/DCIM/" + std::to_string(100 + photo / kPhotosPerFolder) + "APPLE"; }

std::string photoName(int photo) {
    char name[32];
    std::snprintf(name, sizeof name, "IMG_%05d.JPG", photo + 1);
    return name;
}

struct Device {
    bench::TempFolder made{"onecopy-bench"};
    std::string root = made.file("device"), out = made.file("out");
    int photos = photoCount();
    int64_t totalBytes = int64_t(photos) * int64_t(kPhotoBytes);

    Device() {
        // The device and one export of it must fit, with room to spare for the machine.
        if (fs::space(made.path()).available < uintmax_t(totalBytes) * 3) {
            std::fprintf(stderr, "not enough free space for %lld bytes of media twice over\n", (long long)totalBytes);
            fs::remove_all(made.path());  // std::exit runs no destructor of an object still being made
            std::exit(2);
        }
        fs::create_directories(root + "/lockdown");
        CFMutableDictionaryRef values = CFDictionaryCreateMutable();
        CFHolder<CFStringRef> udid(CFStringCreateWithCString(kUdid));
        CFDictionarySetValue(values, "UniqueDeviceID", udid.get());
        CFPropertyListWriteToFile(values, root + "/lockdown/values.plist", kCFPropertyListXMLFormat_v1_0);
        CFRelease(values);
        if (!sampledevice::writeHomeArea(root)) std::abort();
        // Bytes that do not compress, after a JPEG start marker.
        std::vector<char> bytes(kPhotoBytes);
        uint32_t seed = 2463534242u;
        for (int photo = 0; photo < photos; ++photo) {
            for (char& b : bytes) {
                seed ^= seed << 13;
                seed ^= seed >> 17;
                seed ^= seed << 5;
                b = static_cast<char>(seed);
            }
            bytes[0] = char(0xFF), bytes[1] = char(0xD8);
            const std::string folder = root + "/media" + cameraFolder(photo);
            fs::create_directories(folder);
            std::ofstream(folder + "/" + photoName(photo), std::ios::binary)
                .write(bytes.data(), std::streamsize(bytes.size()));
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

transfer::OneCopySummary runCopy(bool media, bool records) {
    Device& d = device();
    fs::remove_all(d.out);
    transfer::OneCopyOptions options;
    options.exportFolder = QString::fromStdString(d.out);
    options.udid = records ? kUdid : "";  // no identifier: the backup is skipped at once
    options.deviceName = "Bench iPhone";
    transfer::OneCopyRun::Hooks hooks;
    hooks.enabled = [media, records](OneCopyCategory c) {
        return c == OneCopyCategory::CameraRoll ? media : c >= OneCopyCategory::Contacts && records;
    };
    return transfer::OneCopyRun(disk::deviceDiskServices(), options, hooks).run();
}

// What one run wrote: the lines the page shows and the export folder's files, with their bytes
// when bytes is set (the record half's backup holds its date).
std::string copyDigest(const transfer::OneCopySummary& summary, bool bytes) {
    bench::OutputCheck check;
    for (const QString& line : summary.lines()) check.add(line.toStdString());
    check.addFolder(device().out, bytes);
    return check.finish();
}

// The media half as a press runs it: every camera-roll file into the export folder.
void OneClickCopyOfTheMedia(benchmark::State& state) {
    Device& d = device();
    if (!bench::outputUnchanged(state, "onecopy_OneClickCopyOfTheMedia", copyDigest(runCopy(true, false), true)))
        return;
    for (auto _ : state) {
        const transfer::OneCopySummary summary = runCopy(true, false);
        if (summary.media.files != uint64_t(d.photos)) state.SkipWithError("photos missing");
    }
    state.SetBytesProcessed(state.iterations() * d.totalBytes);
}
BENCHMARK(OneClickCopyOfTheMedia)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// The same files copied straight from the device's folder by the operating system.
void plainCopy(const Device& d) {
    fs::remove_all(d.out);
    fs::create_directories(d.out);
    for (int photo = 0; photo < d.photos; ++photo)
        fs::copy_file(d.root + "/media" + cameraFolder(photo) + "/" + photoName(photo), d.out + "/" + photoName(photo),
                      fs::copy_options::overwrite_existing);
}

void PlainCopyOfTheSameFiles(benchmark::State& state) {
    Device& d = device();
    plainCopy(d);
    bench::OutputCheck check;
    check.addFolder(d.out, true);
    if (!bench::outputUnchanged(state, "onecopy_PlainCopyOfTheSameFiles", check.finish())) return;
    for (auto _ : state) plainCopy(d);
    state.SetBytesProcessed(state.iterations() * d.totalBytes);
}
BENCHMARK(PlainCopyOfTheSameFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

// The record half: the backup of the device and the six record categories written from it.
void OneClickCopyOfTheRecords(benchmark::State& state) {
    if (!bench::outputUnchanged(state, "onecopy_OneClickCopyOfTheRecords", copyDigest(runCopy(false, true), false)))
        return;
    for (auto _ : state) {
        const transfer::OneCopySummary summary = runCopy(false, true);
        if (!summary.backupCompleted || summary.records[size_t(OneCopyCategory::Notes)] == 0)
            state.SkipWithError("records missing");
    }
}
BENCHMARK(OneClickCopyOfTheRecords)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

}  // namespace

BENCHMARK_MAIN();
