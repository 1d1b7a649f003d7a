// What SQLite itself says of a table's columns (its table_xinfo, index_list and table_list
// pragmas), held against what the schema reader parsed from the table's statement.
#pragma once

#include "backup/carve/TableSchema.h"

#include <gtest/gtest.h>
#include <sqlite3.h>
#include <string>
#include <vector>

namespace schematest {

// The rows a query (with at most one text parameter) gives, each value as text ("" for NULL).
inline std::vector<std::vector<std::string>> query(sqlite3* db, const char* sql, const std::string& parameter = {}) {
    std::vector<std::vector<std::string>> rows;
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, sql, -1, &st, nullptr) != SQLITE_OK) {
        ADD_FAILURE() << sqlite3_errmsg(db) << " in " << sql;
        return rows;
    }
    sqlite3_bind_text(st, 1, parameter.c_str(), static_cast<int>(parameter.size()), SQLITE_TRANSIENT);
    while (sqlite3_step(st) == SQLITE_ROW) {
        std::vector<std::string>& row = rows.emplace_back();
        for (int c = 0; c < sqlite3_column_count(st); ++c) {
            const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, c));
            row.emplace_back(text ? text : "", static_cast<size_t>(sqlite3_column_bytes(st, c)));
        }
    }
    sqlite3_finalize(st);
    return rows;
}

// Expects parsed to hold the columns SQLite reports for table: names, declared types (SQLite
// spells the six standard ones in capitals), NOT NULL, primary key, generated columns, the
// column that aliases the row id and WITHOUT ROWID.
inline void expectColumnsAsSqlite(sqlite3* db, const std::string& table, const carve::TableColumns& parsed) {
    SCOPED_TRACE("table " + table);
    const auto columns = query(db, "SELECT name, type, \"notnull\", pk, hidden FROM pragma_table_xinfo(?1)", table);
    ASSERT_EQ(parsed.columns.size(), columns.size());
    int keyColumns = 0, keyColumn = -1;
    for (size_t k = 0; k < columns.size(); ++k) {
        const carve::SchemaColumn& column = parsed.columns[k];
        EXPECT_EQ(column.name, columns[k][0]);
        EXPECT_TRUE(carve::sameName(column.declaredType, columns[k][1]))
            << column.declaredType << " / " << columns[k][1];
        EXPECT_EQ(column.notNull, columns[k][2] == "1") << column.name;
        EXPECT_EQ(column.primaryKey, columns[k][3] != "0") << column.name;
        const carve::Generated generated = columns[k][4] == "2"   ? carve::Generated::isVirtual
                                           : columns[k][4] == "3" ? carve::Generated::isStored
                                                                  : carve::Generated::no;
        EXPECT_EQ(column.generated, generated) << column.name;
        if (columns[k][3] != "0") ++keyColumns, keyColumn = static_cast<int>(k);
    }
    const auto list = query(db, "SELECT wr FROM pragma_table_list WHERE name = ?1", table);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(parsed.withoutRowid, list[0][0] == "1");
    // A single key column with no index of its own is the row id.
    const bool keyIndex = !query(db, "SELECT 1 FROM pragma_index_list(?1) WHERE origin = 'pk'", table).empty();
    EXPECT_EQ(parsed.rowidAlias, !parsed.withoutRowid && keyColumns == 1 && !keyIndex ? keyColumn : -1);
}

}  // namespace schematest
