// The results screen's intake of a large backup (a 200,000-record manifest and 100,000
// messages in 2,000 conversations) against the readers alone over the same backup, as
// backup-dump runs them without printing; and the whole scan on the screen, with the longest
// time the main thread spent on one turn of its event loop while the scan handed over its
// counts and its records (an upper bound of the longest single hand-off).
#include "../support/ApplicationMain.h"
#include "../support/OutputCheck.h"
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

// What the screen holds after a scan: its counts and every record of every category.
std::string intakeDigest(PRScanIntake& intake) {
    bench::OutputCheck check;
    check.nameFolder(backup().folder);
    const PRScanCounts c = intake.counts();
    for (int count : {c.BackUpFilesNum, c.deleteeFilesNum, c.photovideoNum, c.contactNum, c.messageNum, c.noteNum,
                      c.callNum, c.bookMarkNum, c.calenderNum, c.facetwitterNum, c.delContactNum, c.delMessageNum,
                      c.delNoteNum, c.delCallNum, c.delBookMarkNum, c.delCalenderNum})
        check.add(int64_t{count});
    check.add(static_cast<int64_t>(c.backupfiles));
    auto addAll = [&check](const auto& records) {
        check.add(static_cast<int64_t>(records.size()));
        for (const auto& record : records) check.addObject(record);
    };
    addAll(intake.photoAndVideoArray);
    addAll(intake.faceTwitterArray);
    addAll(intake.contactArray());
    addAll(intake.messageArray());
    addAll(intake.messageTreeArray());
    addAll(intake.noteArray());
    addAll(intake.callHistoryArray());
    addAll(intake.bookMarkArray());
    addAll(intake.calenderArray());
    return check.finish();
}

void ReadersAlone(benchmark::State& state) {
    {
        // Every notification the readers post, in order, with its object.
        bench::OutputCheck check;
        check.nameFolder(backup().folder);
        NSNotificationCenter nc;
        int observer = 0;
        for (const NoticeName* notice : backupReaderNotices())
            notice->observe(nc, &observer, [&check](const NSNotification& notification) {
                check.add(notification.name());
                check.addObject(notification.object());
            });
        PRBackupScanState scan;
        runBackupReaders(backup().folder, scan, nc);
        if (!bench::outputUnchanged(state, "result_intake_ReadersAlone", check.finish())) return;
    }
    NSNotificationCenter nc;
    int observer = 0;
    for (const NoticeName* notice : backupReaderNotices()) notice->observe(nc, &observer, [](const NSNotification&) {});
    for (auto _ : state) {
        PRBackupScanState scan;
        runBackupReaders(backup().folder, scan, nc);
    }
}

// A scan of the readers without carving, as the screen's job runs it.
std::shared_ptr<PRScanIntake> intakeOfTheReaders() {
    PRBackupScanRequest r = request();
    r.carve = false;
    auto job = std::make_shared<PRBackupScanJob>(r);
    job->run();
    return job->takeIntake();
}

void IntakeOfTheReaders(benchmark::State& state) {
    {
        const auto intake = intakeOfTheReaders();
        if (!intake) {
            state.SkipWithError("the scan gave no intake");
            return;
        }
        if (!bench::outputUnchanged(state, "result_intake_IntakeOfTheReaders", intakeDigest(*intake))) return;
    }
    for (auto _ : state) {
        auto intake = intakeOfTheReaders();
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
    bool checked = false;
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
        if (!screen.intake() || screen.intake()->counts().messageNum != kMessages) {
            state.SkipWithError("the screen missed messages");
            break;
        }
        // What the screen took in is checked once, its time left out.
        state.PauseTiming();
        const bool same = checked || bench::outputUnchanged(state, "result_intake_WholeScanOnTheScreen",
                                                            intakeDigest(*screen.intake()));
        checked = true;
        state.ResumeTiming();
        if (!same) break;
    }
    state.counters["longest_main_thread_turn_ms"] = longest;
}

}  // namespace

BENCHMARK(ReadersAlone)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(IntakeOfTheReaders)->Unit(benchmark::kMillisecond)->Iterations(3);
BENCHMARK(WholeScanOnTheScreen)->Unit(benchmark::kMillisecond)->Iterations(2);

int main(int argc, char** argv) { return bench::runInApplication(argc, argv); }
