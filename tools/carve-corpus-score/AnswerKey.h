// The answer key of a database of the SQLite Forensic Corpus (its NN-MM.xml): the tables the
// database held, each with its columns as its statement declared them and its rows, those the
// statements deleted marked, and whether the table itself was dropped.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace corpusscore {

struct KeyColumn {
    std::string name;
    std::string definition;  // what the statement said after the name: type and constraints
    std::string typeName;    // the key's own word for its kind: INTEGER, REAL, TEXT ...
};

struct KeyRow {
    bool deleted = false;
    // The values the key gives, by column name, spelt as text ("NULL" for none).
    std::vector<std::pair<std::string, std::string>> values;
};

struct KeyTable {
    std::string name;
    bool dropped = false;  // the table itself was deleted: every row of it is gone from the database
    std::vector<KeyColumn> columns;
    std::vector<KeyRow> rows;

    // Whether a tool should bring the row back: the statements deleted it, or its table.
    bool expected(const KeyRow& row) const { return dropped || row.deleted; }
};

// The tables the key at path names (its elements of type table, in order). nullopt with a
// one-line reason in error for a file that cannot be read or is no well-formed key.
std::optional<std::vector<KeyTable>> readAnswerKey(const std::string& path, std::string& error);

}  // namespace corpusscore
