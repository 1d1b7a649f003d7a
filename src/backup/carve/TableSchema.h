// The tables a database file describes, read from the file itself: the rows of its schema table
// (sqlite_master, the b-tree rooted on page 1) and the columns of each CREATE TABLE statement
// there, taken as SQLite takes them. Phones' upgrades add and move columns, so a carver builds
// its rows' shapes from these rather than from a fixed layout.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace carve {

class CarveDatabase;

// The kind of value a column prefers, by SQLite's rules for the declared type: a type naming
// INT is integer; else one naming CHAR, CLOB or TEXT is text; else one naming BLOB, or none at
// all, is blob (no preference); else one naming REAL, FLOA or DOUB is real; else numeric.
enum class ColumnAffinity : uint8_t { integer, text, blob, real, numeric };

ColumnAffinity affinityOf(std::string_view declaredType);

// Whether two names are the same to SQLite: equal but for the case of ASCII letters.
bool sameName(std::string_view a, std::string_view b);

// A generated column (GENERATED ALWAYS AS, or AS): a virtual one, the default, is computed as it
// is read, and no row holds its value; a stored one is held like any other column.
enum class Generated : uint8_t { no, isVirtual, isStored };

struct SchemaColumn {
    std::string name;  // as declared, unquoted
    // The type as SQLite keeps it (and reports it): the words as written, unquoted; empty for none.
    std::string declaredType;
    ColumnAffinity affinity = ColumnAffinity::blob;
    bool notNull = false;     // NOT NULL, or a column of a WITHOUT ROWID table's primary key
    bool primaryKey = false;  // part of the table's primary key
    Generated generated = Generated::no;

    // Whether a row's record holds a value for the column (all but virtual generated columns,
    // which records leave out, keeping the others in their order).
    bool inRecord() const { return generated != Generated::isVirtual; }
};

struct TableColumns {
    std::string name;  // as declared, unquoted, without its schema's name
    std::vector<SchemaColumn> columns;
    // The column that aliases the row id (an INTEGER PRIMARY KEY: its records hold NULL there,
    // the value being the cell's row id), or -1.
    int rowidAlias = -1;
    bool withoutRowid = false;

    // The place of the column of that name (see sameName), or -1.
    int columnIndex(std::string_view column) const;
};

// The columns of a CREATE TABLE statement, parsed as SQLite parses it: TEMP, IF NOT EXISTS, a
// schema's name, every quoting of names, comments, column and table constraints. nullopt for a
// statement SQLite would refuse (unbalanced, a second primary key, two columns of one name, an
// unknown table option ...), for a virtual table (CREATE VIRTUAL TABLE: its rows lie in tables
// of its own) and for CREATE TABLE ... AS SELECT, which names no columns (SQLite itself stores
// the columns the select gave, never that form).
std::optional<TableColumns> parseCreateTable(std::string_view sql);

// A row of the schema table.
struct SchemaEntry {
    std::string type;       // "table", "index", "view" or "trigger"
    std::string name;       // the object's
    std::string tableName;  // the table it belongs to
    int64_t rootPage = 0;   // of its b-tree; 0 for views, triggers and virtual tables
    std::string sql;        // the statement that made it; empty for indexes SQLite made itself
};

// The schema table of the database as it stands folded (the newest committed image of each
// page: see PageImages), read from its b-tree from page 1 with the rows' overflow chains. When
// that state does not read whole (a page of another kind, a cell off its page, a chain that
// loops or leaves the file), each earlier state of the log that wrote page 1 is read, the newest
// first, then the main file alone; nullopt when none reads whole. Texts of a UTF-16 database
// come back as UTF-8.
std::optional<std::vector<SchemaEntry>> readSchema(CarveDatabase& db);

// The columns of the table of that name (see sameName) in schema; nullopt when the schema has no
// such table or its statement does not parse.
std::optional<TableColumns> tableColumns(const std::vector<SchemaEntry>& schema, std::string_view table);

}  // namespace carve
