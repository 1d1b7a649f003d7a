// Scores the deleted-record carving engine against the public SQLite Forensic Corpus: each
// database of the deleted and overwritten categories (0A deleted tables, 0B overwritten tables,
// 0C deleted records, 0D overwritten records, 0E deleted overflow pages) is carved for every
// table its answer key names, each laid out as the file's own schema declares it (or, for a
// table dropped since, as the key declares it) with every column read, and the deleted rows the
// carver reports are matched against the rows the key says a tool should bring back.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace corpusscore {

// The categories scored, in order.
const std::vector<std::string>& scoredCategories();

struct Tally {
    int databases = 0;
    int expected = 0;       // rows the key says a tool should bring back
    int carved = 0;         // deleted rows the carver reported
    int matched = 0;        // reported rows that are expected rows, each expected row counted once
    int liveAsDeleted = 0;  // reported rows, not matched, that are live rows of the key
    // Matched of expected, and of carved; 1 where there is nothing to divide.
    double recall() const { return expected ? static_cast<double>(matched) / expected : 1.0; }
    double precision() const { return carved ? static_cast<double>(matched) / carved : 1.0; }
    void add(const Tally& other);
};

struct DatabaseScore {
    std::string category;  // "0C"
    std::string name;      // "0C-01"
    Tally tally;
    // One line each, for a reader looking into the figures: the expected rows missed (with
    // whether their record still lies whole in the file), the reported rows that are no expected
    // row (with what they are, where known), and what else the scoring met (a row matched under
    // another table of the same layout, a table no shape could be made for).
    std::vector<std::string> misses, falsePositives, notes;
};

struct CategoryScore {
    std::string category;
    Tally tally;
};

struct CorpusScore {
    std::vector<DatabaseScore> databases;
    std::vector<CategoryScore> categories;  // those scored, in order
    Tally total;
};

// Scores the database at path against its answer key (key: its .xml). nullopt with a one-line
// reason in error where either cannot be read.
std::optional<DatabaseScore> scoreDatabase(const std::string& path, const std::string& key, std::string& error);

// Scores every database of the scored categories in the corpus folder, or of the one category
// only names. nullopt with a one-line reason in error where the folder holds none of them, or a
// database or its key cannot be read.
std::optional<CorpusScore> scoreCorpus(const std::string& folder, const std::string& only, std::string& error);

}  // namespace corpusscore
