// Scores the deleted-record carvers on databases a phone could have left: each kind's database
// is written with natural values in a real iOS layout, 30% of its rows deleted, carved, and
// every record the carver reports is matched against the rows that were written.
#pragma once

#include "NaturalFixtures.h"
#include "backup/carve/CarveContext.h"
#include "backup/carve/CarveDatabase.h"
#include "model/PRRecord.h"
#include "platform/Notice.h"

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace carvequality {

struct Score {
    int64_t rows = 0;       // rows written
    int64_t fileBytes = 0;  // the database file's size
    double writeSeconds = 0, carveSeconds = 0;
    carve::CarveCoverage coverage;  // how much of the file the carver looked through
    int deleted = 0;                // rows deleted from the database
    int recoverable = 0;            // of those, rows whose marker is still in the file (SQLite itself
                                    // overwrites some when it repacks the pages beside a deletion)
    int recovered = 0;              // of those, reported with their own fields and every joined value right,
                                    // or marked partial with those it kept right (its text whole)
    int partial = 0;                // of those, marked partial (a later write took some of its values;
                                    // counted among the rows in the file)
    int joinMissing = 0;            // of those, reported with their own fields right but without a joined field
                                    // (a place, a body...) they had, or with only some of its values (a
                                    // contact's phones); not counted as recovered
    int joinMissingInFile = 0;      // of those, the ones whose joined rows are still in the file
    int reported = 0;               // records the carver reported
    int liveAsDeleted = 0;          // reported records that are live rows, or earlier versions of them
    int wrongJoins = 0;             // a deleted row's record carrying another row's joined field (a wrong
                                    // phone, body, address or place; an empty one is counted as missing)
    int garbage = 0;                // records that are no row at all, carry a wrong own field, or repeat one
    int othersValues = 0;           // records named by a row (deleted, or live in any of its versions) that
                                    // carry a value that row never had: another's number, body, text or date
    // Per habit of a phone that sets rows apart (a long message, a note of a title alone): of its
    // deleted rows still in the file, how many, and how many came back (whole, or partial).
    struct Habit {
        int recoverable = 0, recovered = 0;
    };
    std::map<std::string, Habit> habits;
    int gone() const { return deleted - recoverable; }  // deleted rows no longer in the file
    double recall() const { return deleted ? 100.0 * recovered / deleted : 100.0; }
    double recallOfRecoverable() const { return recoverable ? 100.0 * recovered / recoverable : 100.0; }
    double share(int n) const { return reported ? 100.0 * n / reported : 0.0; }
};

// The notification the kind's carver posts its records under.
const NoticeName& postedNotice(carvefix::CarveKind kind);
// Runs the kind's carver over the backup folder.
void carve(carvefix::CarveKind kind, carve::CarveContext& context, const std::string& folder);

// A reported record in the fixture's terms, from its fields by the record classes' names (a
// record's own, or those a tool printed of it).
carvefix::ExpectedRecord recordOf(carvefix::CarveKind kind, const std::function<std::string(const char* field)>& field);
carvefix::ExpectedRecord recordOf(carvefix::CarveKind kind, const PRRecord& record);

// Writes the kind's database into folder (created when missing), carves it and scores it.
// With explain, each miss and each wrong record is printed on standard error.
Score measure(carvefix::CarveKind kind, const carvefix::NaturalOptions& options, const std::string& folder,
              bool explain = false);

// Folds a copy of the kind's database that was written into folder, with its write-ahead log,
// into a folder of its own inside folder (the log checkpointed into the file, as a reader sees
// the database), carves the copy and scores it.
Score carveFoldedAndScore(carvefix::CarveKind kind, const carvefix::NaturalRows& rows,
                          const carvefix::NaturalOptions& options, const std::string& folder, bool explain = false);

// Carves the kind's database that was written into folder (rows: what was written) and scores it.
Score carveAndScore(carvefix::CarveKind kind, const carvefix::NaturalRows& rows,
                    const carvefix::NaturalOptions& options, const std::string& folder, bool explain = false);

// Scores the records reported of the rows written, the database file being bytes; what no
// carve gives (file size, times, coverage) stays unset.
Score scoreRecords(carvefix::CarveKind kind, const carvefix::NaturalRows& rows,
                   const std::vector<carvefix::ExpectedRecord>& reported, const std::string& bytes, int pageSize,
                   bool explain = false);

}  // namespace carvequality
