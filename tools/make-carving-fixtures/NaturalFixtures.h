// Databases with deleted rows as a phone leaves them, for measuring the carvers: the device's
// own table layouts (src/backup/layouts), values nobody chose for their bytes (times to the
// second, every size of duration, short and long texts, NULLs), and 30% of the rows deleted the
// way a phone deletes them: one long run (a trimmed history, a cleared thread) then rows here and
// there, or rows deleted over time with new rows written between. Each maker answers the live
// and deleted rows as the carvers' records show them.
#pragma once

#include "backup/layouts/IosSchemas.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace carvefix {

enum class CarveKind { calls, contacts, messages, notes, bookmarks, calendar };
const char* kindName(CarveKind kind);

// Bytes of a row found nowhere else: while they are in the file, so is the row.
struct Marker {
    std::string text;
    // The text ends in the row's number ("dinner 17"): where a digit follows, it is another row's.
    bool numbered = false;
    // A stretch of a long value, which SQLite splits where it runs from one page into the next.
    bool mayBeSplit = false;
};

// A row as a recovered record shows it: key names the record (a title, a name, a phone number
// with its time); fields are the other texts the record must carry, by the record's field
// names. joined lists the fields that come from another row (a contact's numbers, a note's
// body, a message's address, an event's place): a wrong one there is a wrong join.
struct ExpectedRecord {
    std::string key;
    std::map<std::string, std::string> fields;
    // The row's marker first, then those of the rows joined to it that the record's fields come
    // from (a note's body, a contact's numbers): while all are in the file, so is the record.
    std::vector<Marker> markers;
    // A reported record that says it lost some of its values to later writes: what it lacks is
    // no miss.
    bool partial = false;
};

struct NaturalRows {
    std::vector<std::string> liveKeys;  // the live rows' keys
    std::vector<ExpectedRecord> deleted;
};

enum class Deletions {
    runAndScattered,  // all rows written, then a run of a tenth of them deleted and a fifth scattered
    overTime,         // rows deleted round by round as more are written, 30% by the end
};

struct NaturalOptions {
    iosschema::Ios ios = iosschema::Ios::v6;
    int pageSize = 4096;
    int rows = 300;
    uint64_t seed = 1;
    Deletions deletions = Deletions::runAndScattered;
    // The share of the deletions, the last ones, left in the database's write-ahead log (not
    // checkpointed, as a phone leaves a log beside its database), in a layout that runs with one.
    double inLog = 0;
    // The people a message database's messages go to and come from: its conversations.
    int conversations = 25;
};

// Writes the kind's database into folder under its backup file name.
NaturalRows writeNaturalDatabase(const std::string& folder, CarveKind kind, const NaturalOptions& options);

// The backup file name of the kind's database.
const char* backupFileName(CarveKind kind);

// The record fields that come from a joined row, per kind.
std::vector<std::string> joinedFields(CarveKind kind);

}  // namespace carvefix
