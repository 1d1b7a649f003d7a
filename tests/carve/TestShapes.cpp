#include "TestShapes.h"

namespace carvetest {

carve::TableShape shapeOf(const char* columns, carve::LiveRows live) {
    using namespace carve;
    TableShape shape;
    shape.rowidAlias = -1;
    shape.live = live;
    for (const char* c = columns; *c; ++c) {
        if (*c == '|') {
            shape.keptColumns = shape.columns.size();
            continue;
        }
        if (*c == '/') {
            shape.wholeColumns = shape.columns.size();
            continue;
        }
        if (*c == '!') {
            shape.uniqueColumn = static_cast<int>(shape.columns.size()) - 1;
            continue;
        }
        if (*c == '+') {
            shape.alsoKept.push_back(shape.columns.size() - 1);
            continue;
        }
        if (*c == '^') {
            shape.identityColumns |= uint64_t{1} << (shape.columns.size() - 1);
            continue;
        }
        if (*c == '-') {
            shape.unstoredColumns |= uint64_t{1} << (shape.columns.size() - 1);
            continue;
        }
        ColumnShape column;
        const char lower = static_cast<char>(*c | 0x20);
        column.nullable = *c == lower;
        switch (lower) {
        case 'i': column.kind = ColumnKind::integer; break;
        case 'r': column.kind = ColumnKind::real; break;
        case 't': column.kind = ColumnKind::text; break;
        case 'b': column.kind = ColumnKind::blob; break;
        case 'k':
            column.kind = ColumnKind::integer;
            shape.rowidAlias = static_cast<int>(shape.columns.size());
            break;
        default: column.kind = ColumnKind::any; break;
        }
        shape.columns.push_back(column);
    }
    return shape;
}

std::vector<int64_t> namedIn(std::span<const carve::CarvedRecord* const> rows, size_t column) {
    std::vector<int64_t> named;
    for (const carve::CarvedRecord* row : rows) named.push_back(row->values[column].asInteger());
    return named;
}

}  // namespace carvetest
