// What the reader benchmarks share: the contacts the name look-ups search, the digest of what a
// reader produced, and the bare side's stepping through every row of a statement.
#pragma once

#include "OutputCheck.h"
#include "SampleDatabases.h"
#include "SqliteRead.h"
#include "TempFolder.h"
#include "backup/BackupNotices.h"
#include "backup/PreparedDatabase.h"
#include "model/PRContactNode.h"
#include "model/PRRecord.h"
#include "platform/NotificationCenter.h"

#include <benchmark/benchmark.h>
#include <functional>
#include <memory>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace readerbench {

// The database at path prepared for reading, held by the fixture so that the reader and the bare
// side both read it without preparing it (a read shares the preparation a holder keeps).
std::shared_ptr<PreparedDatabase> heldPreparation(const std::string& path);

// The sample contacts as the contact reader leaves them for the name look-ups: the name and
// every phone number, one blank between two.
std::vector<PRContactNodePtr> lookupContacts(const std::vector<sampledb::Contact>& contacts);

// Collects the records a reader announced, in order, and answers their digest: every field
// of every record, and the bytes of pictures.
class RecordDigest {
public:
    void add(const PRRecord& record);
    void add(const PRBytes& bytes);
    // Compares the digest with the previous build's (see bench::outputUnchanged) and marks
    // the run as failed when it differs. True when it matches.
    bool check(benchmark::State& run, const std::string& name);

private:
    bench::OutputCheck check_;
};

// A reader as its benchmark runs it: read() reads once, announcing each record as notice on
// the centre given; addRecord() feeds one announced record to the digest, and
// addRest() what the read left elsewhere (arrays of the scan state).
struct ReaderRun {
    std::string digestName;
    const NoticeName* notice;
    const char* counter;  // what the records are called in the report
    std::function<void(NSNotificationCenter&)> read;
    std::function<void(RecordDigest&, const NSNotification&)> addRecord;
    std::function<void(RecordDigest&)> addRest;
    // Lets go of what the previous read left in the scan state, before each read and untimed:
    // the reading is timed, not freeing the last round's records.
    std::function<void()> reset = {};
};

// Reads once into the digest and compares it with the previous build's; then times the read.
void timeReader(benchmark::State& run, const ReaderRun& reader);

// Times preparing the databases held (each prepared and let go per round: a private copy made
// and removed, or the file opened and closed), and holds them again afterwards.
void timePreparation(benchmark::State& run, const std::vector<std::shared_ptr<PreparedDatabase>*>& held);

// Reads every column of the current row in the form it is stored in (see SqliteRead.h).
using bench::touchRow;
// Steps through every row of stmt, touching each; answers the number of rows.
size_t stepAll(sqlite3_stmt* stmt);
// Prepares sql on db, steps through it as stepAll does and finalises it.
size_t runAll(sqlite3* db, const char* sql);
// Opens a connection to a prepared database as the readers do.
sqlite3* openPrepared(const PreparedDatabase& prepared);

}  // namespace readerbench
