// PLACEHOLDER until the schema reader lands: no schema is ever read.
#include "backup/carve/TableSchema.h"

namespace carve {

bool sameName(std::string_view a, std::string_view b) {
    auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}
ColumnAffinity affinityOf(std::string_view) { return ColumnAffinity::blob; }
int TableColumns::columnIndex(std::string_view column) const {
    for (size_t i = 0; i < columns.size(); ++i)
        if (sameName(columns[i].name, column)) return static_cast<int>(i);
    return -1;
}
std::optional<TableColumns> parseCreateTable(std::string_view) { return std::nullopt; }
std::optional<std::vector<SchemaEntry>> readSchema(CarveDatabase&) { return std::nullopt; }
std::optional<TableColumns> tableColumns(const std::vector<SchemaEntry>&, std::string_view) { return std::nullopt; }

}  // namespace carve
