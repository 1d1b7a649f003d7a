// The results screen's intake of a large backup (a 200,000-record manifest and 100,000
// messages in 2,000 conversations) against the readers alone over the same backup, as
// backup-dump runs them without printing; and the whole scan on the screen, with the longest
// time the main thread spent on one turn of its event loop while the scan handed over its
// counts and its records (an upper bound of the longest single hand-off).
#include "../support/TempFolder.h"
#include "BackupReaders.h"
#include "SampleBackup.h"
#include "SampleDatabases.h"
#include "backup/ManifestWriter.h"
#include "browser/PRResultViewController.h"
#include "browser/core/PRBackupScanJob.h"

#include <QApplication>
#include <QWidget>
#include <benchmark/benchmark.h>
#include <chrono>
#include <random>

namespace {

constexpr int kRecords = 200000;
constexpr int kMessages = 100000;
constexpr int kConversations = 2000;

struct LargeBackup {
    bench::TempFolder made{"result-bench"};
    std::string folder = made.path();
    LargeBackup() {
        sampledb::SampleSize size;
        size.contacts = 2000;
        size.messages = kMessages;
        size.conversations = kConversations;
        size.photos = false;
        const sampledb::SampleData data = sampledb::makeSampleData(size);
        const auto databases = sampledb::writeBackupDatabases(folder, data);

        std::mt19937 random(42);
        static const char* const kDomains[] = {"HomeDomain",
                                               "HomeDomain",
                                               "HomeDomain",
                                               "CameraRollDomain",
                                               "MediaDomain",
                                               "AppDomain-com.facebook.Facebook",
                                               "AppDomain-net.example.Maps",
                                               "AppDomain-org.example.Reader",
                                               "SystemPreferencesDomain",
                                               "RootDomain"};
        static const char* const kExtensions[] = {"plist", "db", "dat", "jpg", "MOV", "m4a", "json", ""};
        std::vector<ManifestEntry> entries;
        entries.reserve(kRecords);
        for (const auto& db : databases) {
            ManifestEntry entry;
            entry.domain = db.domain;
            entry.path = db.path;
            entries.push_back(entry);
        }
        for (int i = int(entries.size()); i < kRecords; ++i) {
            ManifestEntry entry;
            entry.domain = kDomains[random() % std::size(kDomains)];
            entry.path = "Library/Caches/folder" + std::to_string(random() % 500) + "/item" + std::to_string(i);
            if (const char* extension = kExtensions[random() % std::size(kExtensions)]; *extension)
                entry.path += std::string(".") + extension;
            entry.size = random() % 100000;
            entries.push_back(std::move(entry));
        }
        writeManifest(folder + "/Manifest.mbdb", entries);
        samplebackup::SampleDevice device = samplebackup::sampleIPhone();
        samplebackup::writeBackupPropertyLists(folder, device);
    }
};

LargeBackup& backup() {
    static LargeBackup b;
    return b;
}

PRBackupScanRequest request() { return PRBackupScanRequest{backup().folder, "Bench iPhone", true, false}; }

void ReadersAlone(benchmark::State& state) {
    NSNotificationCenter nc;
    int observer = 0;
    for (const std::string& name : backupReaderNotificationNames())
        nc.addObserver(&observer, name, [](const NSNotification&) {});
    for (auto _ : state) {
        PRBackupScanState scan;
        runBackupReaders(backup().folder, scan, nc);
    }
}

void IntakeOfTheReaders(benchmark::State& state) {
    for (auto _ : state) {
        PRBackupScanRequest r = request();
        r.carve = false;
        auto job = std::make_shared<PRBackupScanJob>(r);
        job->run();
        auto intake = job->takeIntake();
        if (!intake || intake->counts().messageNum != kMessages) state.SkipWithError("the intake missed messages");
        state.counters["conversations"] = double(intake ? intake->messageTreeArray().size() : 0);
        state.PauseTiming();
        intake.reset();  // freeing the records is the screen's later cost
        state.ResumeTiming();
    }
}

void WholeScanOnTheScreen(benchmark::State& state) {
    auto* node = new PRIOSDeviceNode;
    PRIOSDeviceNodePtr backupNode(node);
    node->setBackUpFilePath(backup().folder);
    node->setStrDeviceName("Bench iPhone");
    node->setStrIOSVersion("6.1.4");
    double longest = 0;
    for (auto _ : state) {
        PRResultViewController screen;
        screen.view()->resize(1000, 700);
        screen.view()->show();
        screen.scanBackup(backupNode);
        while (screen.scanRunning()) {
            const auto start = std::chrono::steady_clock::now();
            QCoreApplication::processEvents(QEventLoop::AllEvents);
            const double ms =
                std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
            longest = std::max(longest, ms);
        }
        const auto start = std::chrono::steady_clock::now();
        QCoreApplication::processEvents(QEventLoop::AllEvents);  // the first paint of the tables
        longest = std::max(longest,
                           std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count());
        if (!screen.intake() || screen.intake()->counts().messageNum != kMessages)
            state.SkipWithError("the screen missed messages");
    }
    state.counters["longest_main_thread_turn_ms"] = longest;
}

}  // namespace

BENCHMARK(ReadersAlone)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(IntakeOfTheReaders)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(WholeScanOnTheScreen)->Unit(benchmark::kMillisecond)->Iterations(2);

int main(int argc, char** argv) {
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
