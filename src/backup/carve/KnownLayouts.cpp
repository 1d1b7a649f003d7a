#include "backup/carve/KnownLayouts.h"

#include "backup/layouts/IosSchemas.h"

#include <algorithm>
#include <map>
#include <sqlite3.h>

namespace carve {

namespace {
using iosschema::History;
using iosschema::Ios;

std::string lowerCase(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The tables a schema text makes, with their columns as SQLite itself reports them: the texts
// are the program's own, and SQLite reads them as a phone's would be read.
std::vector<TableColumns> tablesOf(const std::string& schema) {
    std::vector<TableColumns> tables;
    sqlite3* db = nullptr;
    if (sqlite3_open(":memory:", &db) != SQLITE_OK || sqlite3_exec(db, schema.c_str(), nullptr, nullptr, nullptr)) {
        sqlite3_close(db);
        return tables;
    }
    std::vector<std::string> names;
    sqlite3_stmt* list = nullptr;
    sqlite3_prepare_v2(db, "SELECT name FROM sqlite_master WHERE type = 'table' ORDER BY rowid", -1, &list, nullptr);
    while (list && sqlite3_step(list) == SQLITE_ROW)
        names.emplace_back(reinterpret_cast<const char*>(sqlite3_column_text(list, 0)));
    sqlite3_finalize(list);
    for (const std::string& name : names) {
        TableColumns table;
        table.name = name;
        sqlite3_stmt* info = nullptr;
        const std::string query = "SELECT name, type, \"notnull\", pk FROM pragma_table_info(?1)";
        sqlite3_prepare_v2(db, query.c_str(), -1, &info, nullptr);
        sqlite3_bind_text(info, 1, name.c_str(), -1, SQLITE_TRANSIENT);
        int keys = 0, key = -1;
        while (info && sqlite3_step(info) == SQLITE_ROW) {
            SchemaColumn column;
            column.name = reinterpret_cast<const char*>(sqlite3_column_text(info, 0));
            column.declaredType = reinterpret_cast<const char*>(sqlite3_column_text(info, 1));
            column.notNull = sqlite3_column_int(info, 2) != 0;
            column.primaryKey = sqlite3_column_int(info, 3) != 0;
            if (column.primaryKey) {
                ++keys;
                key = static_cast<int>(table.columns.size());
            }
            table.columns.push_back(std::move(column));
        }
        sqlite3_finalize(info);
        // A lone INTEGER PRIMARY KEY holds the row id itself.
        if (keys == 1 && lowerCase(table.columns[static_cast<size_t>(key)].declaredType) == "integer")
            table.rowidAlias = key;
        tables.push_back(std::move(table));
    }
    sqlite3_close(db);
    return tables;
}

bool sameLayout(const TableColumns& a, const TableColumns& b) {
    return a.rowidAlias == b.rowidAlias &&
           std::equal(a.columns.begin(), a.columns.end(), b.columns.begin(), b.columns.end(),
                      [](const SchemaColumn& x, const SchemaColumn& y) {
                          return lowerCase(x.name) == lowerCase(y.name) && x.declaredType == y.declaredType &&
                                 x.notNull == y.notNull;
                      });
}

using Layouts = std::map<std::string, std::vector<KnownLayout>>;

void add(Layouts& layouts, const std::string& source, const std::string& schema) {
    for (TableColumns& table : tablesOf(schema)) {
        std::vector<KnownLayout>& known = layouts[lowerCase(table.name)];
        const auto same = std::find_if(known.begin(), known.end(),
                                       [&](const KnownLayout& k) { return sameLayout(k.columns, table); });
        if (same == known.end())
            known.push_back({source, std::move(table)});
        else if (same->source.find(source) == std::string::npos)
            same->source += " and " + source;
    }
}

Layouts allLayouts() {
    Layouts layouts;
    for (Ios ios : {Ios::v4, Ios::v5, Ios::v6, Ios::v7}) {
        const std::string source = "iOS " + std::to_string(static_cast<int>(ios));
        for (const std::string& schema : {iosschema::addressBook(ios), iosschema::callHistory(ios),
                                          iosschema::notes(ios), iosschema::bookmarks(ios), iosschema::calendar(ios)})
            add(layouts, source, schema);
        if (ios == Ios::v5) {
            add(layouts, source + " (installed fresh)", iosschema::messages(ios, History::fresh));
            add(layouts, source + " (upgraded from iOS 4)", iosschema::messages(ios, History::upgraded));
        } else {
            add(layouts, source, iosschema::messages(ios));
        }
    }
    add(layouts, "the older notes file", iosschema::notesLegacy());
    return layouts;
}
}  // namespace

const std::vector<KnownLayout>& knownLayouts(std::string_view table) {
    static const Layouts layouts = allLayouts();
    static const std::vector<KnownLayout> none;
    const auto found = layouts.find(lowerCase(table));
    return found == layouts.end() ? none : found->second;
}

}  // namespace carve
