// Reading a 200,000-record manifest: the full reader (nodes, keys, notifications to observers
// that do nothing, media look-ups) against the floor of reading the same file and computing
// the 200,000 SHA-1 keys alone.
#include "../support/OutputCheck.h"
#include "backup/BackupNotices.h"
#include "backup/ManifestRecordStream.h"
#include "backup/ManifestWriter.h"
#include "backup/PRBackupManifestReader.h"
#include "backup/SHAH.h"
#include "model/PRRecord.h"
#include "platform/Paths.h"

#include <benchmark/benchmark.h>
#include <cstdio>
#include <random>

namespace {

constexpr int kRecords = 200000;

// A manifest with the domain mix of a well-used phone; its backup files are not written.
const std::string& manifestFolder() {
    static const std::string folder = [] {
        const std::string path = paths::privateTempDirectory() + "/bench-manifest";
        paths::makeDirectories(path);
        std::mt19937 random(42);
        static const char* const kDomains[] = {"HomeDomain",
                                               "HomeDomain",
                                               "HomeDomain",
                                               "CameraRollDomain",
                                               "MediaDomain",
                                               "AppDomain-com.facebook.Facebook",
                                               "AppDomain-com.atebits.Tweetie2",
                                               "AppDomain-net.example.Maps",
                                               "AppDomain-org.example.Reader",
                                               "AppDomain-io.example.Games",
                                               "SystemPreferencesDomain",
                                               "RootDomain"};
        static const char* const kExtensions[] = {"plist", "db", "dat", "jpg", "JPG", "MOV", "m4a", "json", "png", ""};
        std::vector<ManifestEntry> entries;
        entries.reserve(kRecords);
        for (int i = 0; i < kRecords; ++i) {
            ManifestEntry entry;
            entry.domain = kDomains[random() % std::size(kDomains)];
            entry.path = "Library/Caches/folder" + std::to_string(random() % 500) + "/item" + std::to_string(i);
            const char* extension = kExtensions[random() % std::size(kExtensions)];
            if (*extension) entry.path += std::string(".") + extension;
            entry.dataHash = std::string(20, static_cast<char>(i));
            entry.size = random() % 100000;
            if (i % 10 == 0)
                entry.properties = {{"com.apple.assetsd.UUID", "4C4B0A5E-1F2D-4E88-9C51-0D3A2B7E" + std::to_string(i)}};
            entries.push_back(std::move(entry));
        }
        writeManifest(path + "/Manifest.mbdb", entries);
        return path;
    }();
    return folder;
}

const NoticeName* const kPosted[] = {&notices::FindBackUpDirFileInfo, &notices::ScanProgressInfo,
                                     &notices::ScanPhotoAndVideo, &notices::scanFaceTwitterInfo};

// Texts name the backup folder by a placeholder, so the digest does not depend on where the
// private temporary folder is.
void addText(bench::OutputCheck& check, const std::string& text, const std::string& folder) {
    if (text.compare(0, folder.size(), folder) == 0)
        check.add("<backup>" + text.substr(folder.size()));
    else
        check.add(text);
}

void addObject(bench::OutputCheck& check, const NSObjectPtr& object, const std::string& folder) {
    if (const auto record = std::dynamic_pointer_cast<PRRecord>(object)) {
        check.add(record->className());
        for (const PRField& field : record->fields()) {
            check.add(field.name);
            check.add(static_cast<int64_t>(field.value.index()));
            if (const auto* text = std::get_if<std::string>(&field.value))
                addText(check, *text, folder);
            else if (const auto* flag = std::get_if<bool>(&field.value))
                check.add(int64_t{*flag});
            else if (const auto* number = std::get_if<int64_t>(&field.value))
                check.add(*number);
            else if (const auto* count = std::get_if<uint64_t>(&field.value))
                check.add(static_cast<int64_t>(*count));
        }
    } else if (const auto number = std::dynamic_pointer_cast<NSNumber>(object)) {
        check.add(number->longLongValue());
    } else {
        check.add(object ? "object" : "null");
    }
}

// Everything one scan produces, in order: each notification with its object, then the kept
// records and the file key that a look-up by each one's path answers.
std::string scanDigest(const std::string& folder) {
    bench::OutputCheck check;
    NSNotificationCenter nc;
    int observer = 0;
    for (const NoticeName* notice : kPosted)
        notice->observe(nc, &observer, [&](const NSNotification& notification) {
            check.add(notification.name());
            addObject(check, notification.object(), folder);
        });
    PRBackupScanState scan;
    PRBackupManifestReader(scan, nc).scanDirAnalyThread(folder);
    const std::vector<PRTreeDirNodePtr> kept = scan.treeFileArray();
    check.add(static_cast<int64_t>(kept.size()));
    for (const PRTreeDirNodePtr& node : kept) {
        addObject(check, node, folder);
        const PROptionalText key = scan.getFileKeyBytheFilepath(node->filePath());
        addText(check, key.value_or("<none>"), folder);
    }
    return check.finish();
}

void ManifestReader(benchmark::State& state) {
    const std::string& folder = manifestFolder();
    if (!bench::outputUnchanged(state, "ManifestReader", scanDigest(folder))) return;
    NSNotificationCenter nc;
    int observer = 0;
    for (const NoticeName* notice : kPosted) notice->observe(nc, &observer, [](const NSNotification&) {});
    for (auto _ : state) {
        PRBackupScanState scan;
        PRBackupManifestReader(scan, nc).scanDirAnalyThread(folder);
        benchmark::DoNotOptimize(scan.treeFileCount());
        // The scan job frees its state as soon as the readers are done, before the results
        // screen gets the records (the screen copies what it shows and keeps no node), so
        // the user waits for the free too: it is timed.
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}

// Every record's key digits, as the floor computes them.
std::string floorDigest(const std::string& folder) {
    bench::OutputCheck check;
    ManifestRecordStream stream;
    stream.open(folder + "/Manifest.mbdb");
    ManifestRecord record;
    std::string hex;
    while (stream.next(record)) {
        hex.clear();
        SHAH sha;
        sha.Input(record.domain.data(), static_cast<unsigned>(record.domain.size()));
        sha.Input('-');
        sha.Input(record.path.data(), static_cast<unsigned>(record.path.size()));
        unsigned digest[5];
        if (sha.Result(digest)) SHAH::DigestToHex(digest, hex);
        check.add(hex);
    }
    return check.finish();
}

void ReadAndHashFloor(benchmark::State& state) {
    const std::string& folder = manifestFolder();
    if (!bench::outputUnchanged(state, "ReadAndHashFloor", floorDigest(folder))) return;
    for (auto _ : state) {
        ManifestRecordStream stream;
        stream.open(folder + "/Manifest.mbdb");
        ManifestRecord record;
        SHAH sha;
        std::string keyText;
        std::string hex;
        unsigned digest[5];
        int count = 0;
        while (stream.next(record)) {
            keyText.assign(record.domain).append(1, '-').append(record.path);
            sha.Reset();
            sha.Input(keyText.data(), static_cast<unsigned>(keyText.size()));
            sha.Result(digest);
            SHAH::DigestToHex(digest, hex);
            benchmark::DoNotOptimize(hex.data());
            ++count;
        }
        if (count != kRecords) state.SkipWithError("the manifest did not read whole");
    }
    state.SetItemsProcessed(state.iterations() * kRecords);
}

}  // namespace

BENCHMARK(ReadAndHashFloor)->Unit(benchmark::kMillisecond);
BENCHMARK(ManifestReader)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
