// The call history reader with its name look-up over a generated call_history.db of a million
// calls in the iOS 6 layout and an address book of 2,000 contacts (four calls in five from a
// contact, the others from 200,000 numbers nobody saved), against the bare SQL the reader runs
// over the same file, every row stepped and every column read: every call is named in about
// the time it takes to read it. CallReaderWithoutNames reads the same calls with no address
// book, so that the two readers' difference is what naming costs. Both sides read the prepared
// database, which the fixture holds; CallsPreparation times preparing it on its own.
#include "ReaderBench.h"
#include "backup/BackupFileKeys.h"
#include "backup/BackupNotices.h"
#include "backup/PRBackupScanState.h"
#include "backup/PRCallHistoryReader.h"
#include "backup/PreparedDatabase.h"
#include "platform/NotificationCenter.h"

#include <cstdlib>

namespace {

struct Fixture {
    bench::TempFolder folder{"call-bench"};
    std::shared_ptr<PreparedDatabase> prepared;
    PRBackupScanState state;
    PRBackupScanState nameless;  // the same read without an address book: what naming adds

    Fixture() {
        const sampledb::SampleData data = sampledb::makeSampleData(
            {.contacts = 2000, .conversations = 0, .messages = 0, .calls = 1000000, .photos = false});
        const std::string path = folder.file(backupkeys::callHistory);
        if (!sampledb::writeCallHistory(path, data.calls)) std::abort();
        prepared = readerbench::heldPreparation(path);
        state.contactArray = readerbench::lookupContacts(data.contacts);
    }
};

Fixture& fixture() {
    static Fixture f;
    return f;
}

// The call reader over the fixture's file with the contacts of state, its records' digest kept
// under digestName.
void timeCallReader(benchmark::State& run, PRBackupScanState& state, const char* digestName) {
    const std::string folder = fixture().folder.path();
    readerbench::timeReader(
        run, {digestName,
              &notices::ScanCallHistoryInfo,
              "calls",
              [&](NSNotificationCenter& nc) { PRCallHistoryReader(state, nc).scanCallHistoryThread(folder); },
              [](readerbench::RecordDigest& digest, const NSNotification& n) { digest.add(*n.objectAs<PRRecord>()); },
              {}});
}

void CallReaderWithNames(benchmark::State& run) { timeCallReader(run, fixture().state, "call_history_reader"); }

void CallReaderWithoutNames(benchmark::State& run) {
    timeCallReader(run, fixture().nameless, "call_history_reader_nameless");
}

void BareCallQuery(benchmark::State& run) {
    Fixture& f = fixture();
    size_t rows = 0;
    for (auto _ : run) {
        sqlite3* db = readerbench::openPrepared(*f.prepared);
        rows = readerbench::runAll(db, "select address,date,duration,flags from call");
        sqlite3_close(db);
    }
    run.counters["calls"] = static_cast<double>(rows);
}

// What each read pays before its first query: the file prepared for reading, and let go.
void CallsPreparation(benchmark::State& run) { readerbench::timePreparation(run, {&fixture().prepared}); }

}  // namespace

BENCHMARK(BareCallQuery)->Unit(benchmark::kMillisecond);
BENCHMARK(CallReaderWithNames)->Unit(benchmark::kMillisecond);
BENCHMARK(CallReaderWithoutNames)->Unit(benchmark::kMillisecond);
BENCHMARK(CallsPreparation)->Unit(benchmark::kMillisecond);
