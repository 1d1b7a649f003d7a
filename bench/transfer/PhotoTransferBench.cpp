// The transfer page's photo scan of a camera roll of 2,000 photos (1 GiB) from a simulated
// device into local copies, against a plain copy of the same files from the device's folder.
// Target: the scan keeps at least 70% of the plain copy's throughput.
#include "../support/OutputCheck.h"
#include "../support/TempFolder.h"
#include "clean/core/CleanDeviceServices.h"
#include "device/DeviceManager.h"
#include "platform/CoreFoundation.h"
#include "platform/SimulatedDevices.h"
#include "transfer/core/PhotoTransfer.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kPhotos = 2000;
constexpr int kPhotosPerFolder = 1000;  // as the camera fills 100APPLE, 101APPLE, ...
constexpr size_t kPhotoBytes = 512u << 10;
constexpr int64_t kTotalBytes = int64_t(kPhotos) * int64_t(kPhotoBytes);

std::string cameraFolder(int photo) { return "/DCIM/" + std::to_string(100 + photo / kPhotosPerFolder) + "APPLE"; }

std::string photoName(int photo) {
    char name[32];
    std::snprintf(name, sizeof name, "IMG_%04d.JPG", photo + 1);
    return name;
}

// One device with the camera roll, attached once for every benchmark.
struct Device {
    bench::TempFolder made{"photo-bench"};
    std::string root = made.path(), local = root + "/local";

    Device() {
        fs::create_directories(root + "/lockdown");
        fs::create_directories(local);
        CFMutableDictionaryRef values = CFDictionaryCreateMutable();
        CFHolder<CFStringRef> udid(CFStringCreateWithCString("photobench00000000000000000000000000000"));
        CFDictionarySetValue(values, "UniqueDeviceID", udid.get());
        CFPropertyListWriteToFile(values, root + "/lockdown/values.plist", kCFPropertyListXMLFormat_v1_0);
        CFRelease(values);
        // A JPEG start marker and bytes that do not compress: the copy sees what a photo gives.
        std::vector<char> bytes(kPhotoBytes);
        uint32_t seed = 2463534242u;
        for (int photo = 0; photo < kPhotos; ++photo) {
            for (size_t i = 0; i < bytes.size(); ++i) {
                seed ^= seed << 13;
                seed ^= seed >> 17;
                seed ^= seed << 5;
                bytes[i] = static_cast<char>(seed);
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

// What one scan gives: its result, and each item reported with the bytes of its copy.
std::string scanDigest(const Device& d, transfer::PhotoTransferScan& scan) {
    bench::OutputCheck check;
    check.nameFolder(d.local);
    const transfer::PhotoScanResult result = scan.run([&](const IKImageItem& item) {
        check.add(item.devicePath.toStdString());
        check.add(item.fileType.toStdString());
        check.add(item.filePath.toStdString());
        check.add(int64_t{item.bhasCopy});
        check.add(item.hasCopy.toStdString());
        if (item.bhasCopy) check.addFileBytes(item.hasCopy.toStdString());
    });
    check.add(int64_t{result.serviceStarted});
    check.add(int64_t{result.stopped});
    check.add(int64_t{result.items});
    check.add(int64_t{result.copies});
    check.add(static_cast<int64_t>(result.bytes));
    check.add(result.firstFailurePath.toStdString());
    return check.finish();
}

// The scan as the page runs it: every file copied and reported one after the other.
void PhotoTransferScanOfTheCameraRoll(benchmark::State& state) {
    Device& d = device();
    transfer::PhotoTransferScan scan(clean::deviceCleanServices(), 0, QString::fromStdString(d.local + "/Photos"));
    if (!bench::outputUnchanged(state, "transfer_PhotoTransferScanOfTheCameraRoll", scanDigest(d, scan))) return;
    for (auto _ : state) {
        int items = 0;
        const transfer::PhotoScanResult result = scan.run([&items](const IKImageItem&) { ++items; });
        if (result.copies != kPhotos || items != kPhotos || result.bytes != uint64_t(kTotalBytes))
            state.SkipWithError("photos missing");
    }
    state.SetBytesProcessed(state.iterations() * kTotalBytes);
    state.SetItemsProcessed(state.iterations() * kPhotos);
}
BENCHMARK(PhotoTransferScanOfTheCameraRoll)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5);

// The same files copied straight from the device's folder by the operating system.
void plainCopy(const Device& d) {
    for (int photo = 0; photo < kPhotos; ++photo) {
        const std::string to = d.local + "/Plain" + cameraFolder(photo);
        fs::create_directories(to);
        fs::copy_file(d.root + "/media" + cameraFolder(photo) + "/" + photoName(photo), to + "/" + photoName(photo),
                      fs::copy_options::overwrite_existing);
    }
}

void PlainCopyOfTheSameFiles(benchmark::State& state) {
    Device& d = device();
    plainCopy(d);
    bench::OutputCheck check;
    for (int photo = 0; photo < kPhotos; ++photo)
        check.addFileBytes(d.local + "/Plain" + cameraFolder(photo) + "/" + photoName(photo));
    if (!bench::outputUnchanged(state, "transfer_PlainCopyOfTheSameFiles", check.finish())) return;
    for (auto _ : state) plainCopy(d);
    state.SetBytesProcessed(state.iterations() * kTotalBytes);
    state.SetItemsProcessed(state.iterations() * kPhotos);
}
BENCHMARK(PlainCopyOfTheSameFiles)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(5);

}  // namespace

BENCHMARK_MAIN();
