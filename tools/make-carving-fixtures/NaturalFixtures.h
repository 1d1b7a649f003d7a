// Databases with deleted rows as a phone leaves them, for measuring the carvers: the device's
// own table layouts (tools/ios-schemas), values nobody chose for their bytes (times to the
// second, every size of duration, short and long texts, NULLs), and 30% of the rows deleted the
// way a phone deletes them: one long run (a trimmed history, a cleared thread), then rows here
// and there. Each maker answers the live and deleted rows as the carvers' records show them.
#pragma once

#include "IosSchemas.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace carvefix {

enum class CarveKind { calls, contacts, messages, notes, bookmarks, calendar };
const char* kindName(CarveKind kind);

// A row as a recovered record shows it: key names the record (a title, a name, a phone number
// with its time); fields are the other texts the record must carry, by the record's field
// names. joined lists the fields that come from another row (a contact's numbers, a note's
// body, a message's address, an event's place): a wrong one there is a wrong join.
struct ExpectedRecord {
    std::string key;
    std::map<std::string, std::string> fields;
    std::string marker;  // a text of the row found nowhere else: while it is in the file, so is the row
};

struct NaturalRows {
    std::vector<ExpectedRecord> live;
    std::vector<ExpectedRecord> deleted;
};

struct NaturalOptions {
    iosschema::Ios ios = iosschema::Ios::v6;
    int pageSize = 4096;
    int rows = 300;
    uint64_t seed = 1;
};

// Writes the kind's database into folder under its backup file name.
NaturalRows writeNaturalDatabase(const std::string& folder, CarveKind kind, const NaturalOptions& options);

// The backup file name of the kind's database.
const char* backupFileName(CarveKind kind);

// The record fields that come from a joined row, per kind.
std::vector<std::string> joinedFields(CarveKind kind);

}  // namespace carvefix
