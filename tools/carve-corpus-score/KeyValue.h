// A value of an answer key, spelt as text, against the value the carver read: whether they are
// one value, and how SQLite lays it out in a record (to tell whether a missed row is still in
// the file at all).
#pragma once

#include "backup/carve/CarveRecords.h"
#include "backup/carve/TableSchema.h"

#include <optional>
#include <string>
#include <string_view>

namespace corpusscore {

// The text encoding a database file's header names.
enum class TextEncoding : uint8_t { utf8, utf16le, utf16be };

// The UTF-8 text in encoding, as a record holds it.
std::string encodedText(std::string_view utf8, TextEncoding encoding);

// Whether the carved value is the one the key spells:
// - "NULL" is a NULL (or a text of those four letters: the key does not tell them apart);
// - an integer, a key that spells that integer, or a real without a fraction of that value (a
//   REAL column keeps whole numbers as integers);
// - a real, a key that spells a number within a few units of the last place of it: the key
//   spells the number as the statement did, and two readings of those digits (SQLite's own, of
//   its time, and ours) may round the last bit apart;
// - a text, a key of the same characters, byte for byte once in the database's encoding;
// - a blob, a key of its bytes, or of their hexadecimal digits (with or without X'...');
// - a value the carver reports lost (a later write took it), never.
bool sameValue(std::string_view key, const carve::CarvedValue& carved, TextEncoding encoding);

// The bytes a record gives the value the key spells in a column of that affinity (its body part
// alone, without the serial type): a number as the column converts it, at the fewest bytes
// SQLite takes; none for a NULL, 0 and 1 (their serial types say them); nullopt where the key
// does not tell (a number in a column without affinity may have been given as a text).
std::optional<std::string> recordBytes(std::string_view key, carve::ColumnAffinity affinity, TextEncoding encoding);

}  // namespace corpusscore
