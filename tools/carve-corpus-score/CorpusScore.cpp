#include "CorpusScore.h"

#include "AnswerKey.h"
#include "KeyValue.h"
#include "backup/PRBackupScanState.h"
#include "backup/carve/CarveContext.h"
#include "backup/carve/CarveDatabase.h"
#include "backup/carve/CarveRecords.h"
#include "backup/carve/CarvedRowid.h"
#include "backup/carve/DatabaseHeader.h"
#include "backup/carve/KnownTable.h"
#include "backup/carve/RowShape.h"
#include "backup/carve/TableSchema.h"
#include "platform/FileOpen.h"
#include "platform/NotificationCenter.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <filesystem>
#include <memory>

namespace fs = std::filesystem;

namespace corpusscore {

const std::vector<std::string>& scoredCategories() {
    static const std::vector<std::string> categories = {"0A", "0B", "0C", "0D", "0E"};
    return categories;
}

void Tally::add(const Tally& other) {
    databases += other.databases;
    expected += other.expected;
    carved += other.carved;
    matched += other.matched;
    liveAsDeleted += other.liveAsDeleted;
}

namespace {

constexpr size_t kLargestDatabase = size_t{1} << 30;  // the corpus's largest is under 100 kB

// One table of the key as the carve reads it: its layout and what the carver is told of it.
// The known table's names are views of the layout's, so the two stay together in one place.
struct Table {
    const KeyTable* key = nullptr;
    carve::TableColumns layout;
    carve::KnownTable known;
    std::optional<carve::RowShape> shape;
};

std::string quoted(const std::string& name) {
    std::string out = "\"";
    for (char c : name) out += c == '"' ? std::string("\"\"") : std::string(1, c);
    return out + "\"";
}

// The table as the key declares it: its columns' definitions read as SQLite reads a statement;
// where they do not parse as one, each column of the key's word for its kind.
std::optional<carve::TableColumns> keyLayout(const KeyTable& table) {
    if (table.columns.empty()) return std::nullopt;
    std::string sql = "CREATE TABLE " + quoted(table.name) + " (";
    for (size_t c = 0; c < table.columns.size(); ++c)
        sql += (c ? ", " : "") + quoted(table.columns[c].name) + " " + table.columns[c].definition;
    if (auto parsed = carve::parseCreateTable(sql + ")")) return parsed;
    carve::TableColumns layout;
    layout.name = table.name;
    for (const KeyColumn& column : table.columns) {
        carve::SchemaColumn s;
        s.name = column.name;
        s.declaredType = column.typeName;
        s.affinity = carve::affinityOf(column.typeName);
        layout.columns.push_back(std::move(s));
    }
    return layout;
}

carve::ColumnKind kindOf(carve::ColumnAffinity affinity) {
    switch (affinity) {
    case carve::ColumnAffinity::integer: return carve::ColumnKind::integer;
    case carve::ColumnAffinity::text: return carve::ColumnKind::text;
    case carve::ColumnAffinity::real: return carve::ColumnKind::real;
    case carve::ColumnAffinity::blob:
    case carve::ColumnAffinity::numeric: return carve::ColumnKind::any;
    }
    return carve::ColumnKind::any;
}

TextEncoding encodingOf(carve::CarveDatabase& db) {
    uint8_t bytes[4] = {};
    db.file().copy(56, 4, bytes);
    const uint32_t encoding = static_cast<uint32_t>(carve::readBigEndian(bytes, 0, 4));
    return encoding == 2 ? TextEncoding::utf16le : encoding == 3 ? TextEncoding::utf16be : TextEncoding::utf8;
}

// Whether rows of a's shape are laid out as b's: b's places then read a's rows.
bool sameLayout(const Table& a, const Table& b) {
    if (&a == &b) return true;
    const carve::TableShape &x = a.shape->shape(), &y = b.shape->shape();
    if (x.columns.size() != y.columns.size() || x.rowidAlias != y.rowidAlias) return false;
    for (size_t c = 0; c < x.columns.size(); ++c)
        if (x.columns[c].kind != y.columns[c].kind) return false;
    return true;
}

// Whether the carved row, read by table's layout, holds every value the key row gives.
bool matches(const carve::CarvedRecord& row, const Table& table, const KeyRow& keyRow, TextEncoding encoding) {
    for (const auto& [name, text] : keyRow.values) {
        const int k = table.layout.columnIndex(name);
        if (k < 0) return false;
        if (k == table.layout.rowidAlias) {
            // The record holds NULL there: the value is the row id.
            const std::optional<int64_t> rowid = carve::onlyRowid(row);
            carve::CarvedValue id;
            id.type = carve::CarvedValue::integerValue;
            id.integer = rowid.value_or(0);
            if (!rowid || !sameValue(text, id, encoding)) return false;
            continue;
        }
        const std::optional<size_t> slot = table.shape->slot(static_cast<size_t>(k));
        if (!slot) continue;  // a column no record holds (computed as it is read)
        if (*slot >= row.values.size() || !sameValue(text, row.values[*slot], encoding)) return false;
    }
    return true;
}

std::string shown(const carve::CarvedValue& v) {
    using carve::CarvedValue;
    constexpr size_t kShown = 24;
    switch (v.type) {
    case CarvedValue::null: return "NULL";
    case CarvedValue::lost: return "(lost)";
    case CarvedValue::integerValue: return std::to_string(v.integer);
    case CarvedValue::realValue: {
        char text[32];
        const auto end = std::to_chars(text, text + sizeof text, v.real).ptr;
        return std::string(text, end);
    }
    case CarvedValue::text: {
        const std::string_view t = v.bytesView();
        return "'" + std::string(t.substr(0, kShown)) + (t.size() > kShown ? "…'" : "'");
    }
    case CarvedValue::blob: {
        std::string out = "x'";
        const std::string_view b = v.bytesView();
        for (size_t i = 0; i < std::min(b.size(), kShown / 2); ++i) {
            char hex[3];
            std::snprintf(hex, sizeof hex, "%02x", static_cast<unsigned char>(b[i]));
            out += hex;
        }
        return out + (b.size() > kShown / 2 ? "…'" : "'");
    }
    }
    return {};
}

std::string shown(const KeyRow& row) {
    constexpr size_t kShown = 24;
    std::string out;
    for (const auto& [name, text] : row.values)
        out += (out.empty() ? "" : " | ") + text.substr(0, kShown) + (text.size() > kShown ? "…" : "");
    return out;
}

std::string shown(const carve::CarvedRecord& row) {
    std::string out;
    for (const carve::CarvedValue& v : row.values) out += (out.empty() ? "" : " | ") + shown(v);
    return out;
}

// Whether the key row's record, as SQLite lays its values out, still lies in the file in one
// piece (a row of overflow pages never does), and where not, whether its first bytes do.
std::string whereInFile(const KeyRow& row, const Table& table, const std::string& file, TextEncoding encoding) {
    std::string body;
    for (size_t c = 0; c < table.layout.columns.size(); ++c) {
        const carve::SchemaColumn& column = table.layout.columns[c];
        if (!column.inRecord() || static_cast<int>(c) == table.layout.rowidAlias) continue;
        const auto value = std::find_if(row.values.begin(), row.values.end(),
                                        [&](const auto& v) { return carve::sameName(v.first, column.name); });
        if (value == row.values.end()) return "";
        const std::optional<std::string> bytes = recordBytes(value->second, column.affinity, encoding);
        if (!bytes) return "";
        body += *bytes;
    }
    constexpr size_t kHead = 24;
    if (body.empty()) return "";
    if (file.find(body) != std::string::npos) return "; its record still lies whole in the file";
    if (body.size() > kHead && file.find(body.substr(0, kHead)) != std::string::npos)
        return "; the start of its record lies in the file, not the whole";
    return "; its record no longer lies in the file";
}

struct KeyRowRef {
    size_t table;
    const KeyRow* row;
    bool expected;
    bool matched = false;
};

}  // namespace

std::optional<DatabaseScore> scoreDatabase(const std::string& path, const std::string& keyPath, std::string& error) {
    const std::optional<std::vector<KeyTable>> key = readAnswerKey(keyPath, error);
    if (!key) return std::nullopt;
    std::string file;
    if (!files::readRegularFile(path, kLargestDatabase, &file, &error)) return std::nullopt;
    PRBackupScanState state;
    NSNotificationCenter center;
    carve::CarveContext context(state, center);
    context.log = [](const std::string&) {};
    context.layoutNote = [](const std::string&, const std::string&) {};
    carve::CarveDatabase db;
    if (!db.open(path, context)) {
        error = path + ": the carver cannot open it";
        return std::nullopt;
    }
    DatabaseScore score;
    score.name = fs::path(path).stem().string();
    score.category = fs::path(path).parent_path().filename().string();
    score.tally.databases = 1;
    const TextEncoding encoding = encodingOf(db);

    const std::optional<std::vector<carve::SchemaEntry>> schema = carve::readSchema(db);
    std::vector<std::unique_ptr<Table>> tables;
    std::vector<carve::TableShape> shapes;
    std::vector<size_t> shapeOf;  // the table each shape is of
    for (const KeyTable& keyTable : *key) {
        auto& t = *tables.emplace_back(std::make_unique<Table>());
        t.key = &keyTable;
        std::optional<carve::TableColumns> layout = schema ? carve::tableColumns(*schema, keyTable.name) : std::nullopt;
        const char* source = "the file's own schema";
        if (!layout) {
            // A dropped table's statement left the schema with it.
            layout = keyLayout(keyTable);
            source = "the answer key";
        }
        if (!layout) {
            score.notes.push_back(keyTable.name + ": no columns to carve it by");
            continue;
        }
        t.layout = std::move(*layout);
        t.known = carve::KnownTable{keyTable.name, {}, carve::LiveRows::none};
        for (const carve::SchemaColumn& column : t.layout.columns)
            t.known.columns.push_back({column.name, kindOf(column.affinity), carve::kRead});
        t.shape = carve::RowShape::make(t.known, t.layout, source);
        if (!t.shape) {
            score.notes.push_back(keyTable.name + ": its layout gives no row shape (a table without row ids)");
            continue;
        }
        shapes.push_back(t.shape->shape());
        shapeOf.push_back(tables.size() - 1);
    }

    std::vector<KeyRowRef> keyRows;
    for (size_t t = 0; t < tables.size(); ++t)
        for (const KeyRow& row : tables[t]->key->rows) {
            keyRows.push_back({t, &row, tables[t]->key->expected(row)});
            if (keyRows.back().expected) ++score.tally.expected;
        }

    std::vector<carve::CarvedTable> carved = carve::carveRecords(db, shapes);
    // Each reported row is matched to the first expected row it holds, of its own table first:
    // tables of one layout give the carver no way to tell their freed rows apart.
    auto findRow = [&](const carve::CarvedRecord& row, size_t own, auto&& wanted) -> KeyRowRef* {
        for (int pass = 0; pass < 2; ++pass)
            for (KeyRowRef& ref : keyRows) {
                if ((ref.table == own) != (pass == 0) || !wanted(ref)) continue;
                const Table& t = *tables[ref.table];
                if (t.shape && sameLayout(*tables[own], t) && matches(row, t, *ref.row, encoding)) return &ref;
            }
        return nullptr;
    };
    for (size_t s = 0; s < carved.size(); ++s) {
        const size_t own = shapeOf[s];
        const std::string& tableName = tables[own]->key->name;
        for (const carve::CarvedRecord& row : carved[s].deleted) {
            ++score.tally.carved;
            if (KeyRowRef* ref = findRow(row, own, [](const KeyRowRef& r) { return r.expected && !r.matched; })) {
                ref->matched = true;
                ++score.tally.matched;
                if (ref->table != own)
                    score.notes.push_back(tables[ref->table]->key->name + " row " + shown(*ref->row) +
                                          " came as a row of " + tableName + ", of the same layout");
                continue;
            }
            std::string what;
            if (findRow(row, own, [](const KeyRowRef& r) { return !r.expected; })) {
                ++score.tally.liveAsDeleted;
                what = " (a live row)";
            } else if (findRow(row, own, [](const KeyRowRef& r) { return r.expected; })) {
                what = " (a second copy of a row matched)";
            }
            score.falsePositives.push_back(tableName + ", page " + std::to_string(row.page) + " at " +
                                           std::to_string(row.position) + ": " + shown(row) + what);
        }
    }
    for (const KeyRowRef& ref : keyRows)
        if (ref.expected && !ref.matched) {
            const Table& t = *tables[ref.table];
            score.misses.push_back(t.key->name + ": " + shown(*ref.row) +
                                   (t.shape ? whereInFile(*ref.row, t, file, encoding) : std::string()));
        }
    carve::releaseTables(std::move(carved));
    return score;
}

std::optional<CorpusScore> scoreCorpus(const std::string& folder, const std::string& only, std::string& error) {
    CorpusScore corpus;
    for (const std::string& category : scoredCategories()) {
        if (!only.empty() && only != category) continue;
        std::vector<std::string> databases;
        std::error_code ec;
        for (fs::directory_iterator it(fs::path(folder) / category, ec), end; !ec && it != end; it.increment(ec))
            if (it->path().extension() == ".db") databases.push_back(it->path().string());
        if (databases.empty()) continue;
        std::sort(databases.begin(), databases.end());
        CategoryScore& scored = corpus.categories.emplace_back();
        scored.category = category;
        for (const std::string& path : databases) {
            std::optional<DatabaseScore> score =
                scoreDatabase(path, fs::path(path).replace_extension(".xml").string(), error);
            if (!score) return std::nullopt;
            scored.tally.add(score->tally);
            corpus.databases.push_back(std::move(*score));
        }
        corpus.total.add(scored.tally);
    }
    if (corpus.categories.empty()) {
        error = folder + ": no database of " + (only.empty() ? std::string("categories 0A to 0E") : only) + " in it";
        return std::nullopt;
    }
    return corpus;
}

}  // namespace corpusscore
