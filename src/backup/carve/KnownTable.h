// What a carver knows of a table of a phone's database: its columns by name, the kind of value
// each holds, and which of them the carver reads. Where a column stands is not known here: a
// phone's upgrades move and add columns, so each file's own schema says that (see RowShape).
#pragma once

#include "backup/carve/CarveRecords.h"
#include "backup/carve/TableSchema.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace carve {

// What a carver does with a column, and what it knows of its values (flags, combined).
enum ColumnUse : uint16_t {
    kNotNull = 1 << 0,  // a phone never leaves it NULL
    // The carver reads its value. The columns of a row up to the last one read are its kept
    // columns: a row read in part (a later cell took its tail) must hold them whole, unless
    // kWholeInPart names fewer.
    kRead = 1 << 1,
    // The carver reads its value where the row still has it: a column past the kept ones, lost
    // where a later cell took the row's tail, NULL where the row ends before it.
    kReadIfThere = 1 << 2,
    // A row read in part must hold this column whole (and every column before it); where no
    // column says so, every kept column.
    kWholeInPart = 1 << 3,
    // One of the columns that together tell a row apart (an address, a time and a text), where
    // no unique column does: a deleted row with a live row's values there is a copy of it.
    kIdentity = 1 << 4,
    // No two rows share its text (a row's identifier): a deleted row with a live row's text
    // there is a copy of it.
    kUnique = 1 << 5,
    // A table without this column is not the one the carver knows, whatever its name.
    kNeeded = 1 << 6,
    // A text an edit changes one at a time with the others of this kind (a person's first and
    // last name; see TableShape::editKeptColumns).
    kEditKept = 1 << 7,
    // Identifiers of another kind (a server's), which tell a row where its unique column holds
    // none.
    kSpareUnique = 1 << 8,
    // A value an edit changes (a bookmark's title, an event's title or times) that with the
    // row's other kept values tells the row among those of its page: a row that lost its id and
    // tail, on a page with a live row that holds its other kept values and the same value in one
    // of these, is that row before an edit, wherever on the page it lies (see
    // TableShape::editTellColumns). A bookmark's address, which the bookmarks of one site share,
    // tells none: it is kEditKept alone.
    kEditTells = 1 << 9,
};

struct KnownColumn {
    std::string_view name;  // as the phone declares it; compared without regard to case
    ColumnKind kind = ColumnKind::any;
    uint16_t use = 0;  // ColumnUse flags
};

struct KnownTable {
    std::string_view table;  // the table's name
    // Every column of the table the carver knows. A carver names the ones it reads by their
    // place in this list.
    std::vector<KnownColumn> columns;
    LiveRows live = LiveRows::none;  // what the carver asks of the table's live rows
    // Columns a table of older phones ended with: rows written before an update added the
    // columns after them (by ALTER TABLE, which leaves the rows as they were) end there.
    std::vector<std::string_view> earlierEnds = {};
};

}  // namespace carve
