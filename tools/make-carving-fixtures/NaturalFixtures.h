// Databases with deleted rows as a phone leaves them, for measuring the carvers: the device's
// own table layouts (src/backup/layouts), values nobody chose for their bytes (times to the
// second, every size of duration, short and long texts, NULLs), and 30% of the rows deleted the
// way a phone deletes them: one long run (a trimmed history, a cleared thread) then rows here and
// there, or rows deleted over time with new rows written between. With the habits of a phone in
// use, live rows are edited between the deletions (a contact's name, numbers and e-mail, a
// message's flags or text, a note's body, a call's duration...), which leaves their earlier
// copies in the file, some notes hold their title alone, and some messages run to several
// kilobytes, onto overflow pages. Each maker answers the live and deleted rows as the carvers'
// records show them.
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
    // Of the rows a phone's habits write: what sets it apart ("long message", "title alone"), for
    // its recall to be told apart from the others'; none for the rest.
    const char* habit = nullptr;
};

struct NaturalRows {
    // The live rows' keys, and those of the earlier versions of the rows edited: a record of any
    // of them is a live row reported as deleted.
    std::vector<std::string> liveKeys;
    std::vector<ExpectedRecord> deleted;
    // Per live row that was edited, each version it had as a record shows it (key and fields, no
    // markers), the first written first and the one in the table last.
    std::vector<std::vector<ExpectedRecord>> edited;
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
    // Written as a phone in use writes: a share of the rows that stay live edited between the
    // deletions (some twice), notes with their title alone beside notes with bodies, and long
    // messages of 3 to 10 KB.
    bool phoneHabits = false;
};

// Writes the kind's database into folder under its backup file name.
NaturalRows writeNaturalDatabase(const std::string& folder, CarveKind kind, const NaturalOptions& options);

// The backup file name of the kind's database.
const char* backupFileName(CarveKind kind);

// The record fields that come from a joined row, per kind.
std::vector<std::string> joinedFields(CarveKind kind);

}  // namespace carvefix
