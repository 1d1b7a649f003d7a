// The row id a carved row may have: its own when its cell still held it, else any id between the
// whole rows around it on its page that what is left of its id's bytes allows (see CarvedRecord).
#pragma once

#include "backup/carve/CarveRecords.h"

#include <cstdint>
#include <optional>
#include <utility>

namespace carve {

// Whether row r can have row id x: its own when it was read, else any between the whole rows
// around it that what is left of its id's bytes allows.
bool admitsRowid(const CarvedRecord& r, int64_t x);

// Whether r could have had row id x: its id when it was read from its cell, else any id
// between the whole rows around it that what is left of its bytes allows. An id those rows gave
// it by a count (rowidInferred) is no more likely than any other between them: a page that took
// edits holds rows written anew out of the order of their ids.
bool couldHaveHad(const CarvedRecord& r, int64_t x);

// Whether what is left of r's lost row id (see CarvedRecord) allows x; any x when nothing is.
bool tailAdmits(const CarvedRecord& r, int64_t x);

// r's row id when it is certain: read, or the one id between the whole rows around it that
// what is left of its bytes allows.
std::optional<int64_t> onlyRowid(const CarvedRecord& r);

// The ids the length of r's lost row id allows, [first, second]; [1, INT64_MAX] when unknown.
std::pair<int64_t, int64_t> tailRange(const CarvedRecord& r);

}  // namespace carve
