// The shapes a carver carves one database file with: each table it knows laid out as the file's
// own schema declares it (newest state, the write-ahead log's included), with the shorter rows a
// table that grew by ALTER TABLE still holds from before; where no schema can be read, every
// layout phones are known to have given the table. After the carve it says which served.
#pragma once

#include "backup/carve/CarveDatabase.h"
#include "backup/carve/RowShape.h"
#include "backup/carve/TableSchema.h"

#include <cstddef>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace carve {

class FileShapes {
public:
    // Reads the schema db holds.
    explicit FileShapes(CarveDatabase& db);

    // Adds the shapes known's rows may have in the file, after those added before; answers the
    // group they form, for of().
    size_t add(const KnownTable& known);

    // Every shape added, in order: carveRecords answers a table for each.
    std::vector<TableShape> shapes() const;

    // The shapes of a group, each with its place among all (that of its carved table).
    struct Member {
        size_t index;
        const RowShape* shape;
    };
    std::vector<Member> of(size_t group) const;

    // Says through the database's context which layout served each known table, by the rows
    // the carve found (tables: carveRecords' answer for shapes()).
    void report(const std::vector<CarvedTable>& tables) const;

    // Whether the file's schema could be read.
    bool schemaRead() const { return schema_.has_value(); }

private:
    struct Group {
        const KnownTable* known;
        std::vector<RowShape> shapes;
        bool fallback = false;  // the known layouts, the file's own being unreadable
        std::string problem;    // why the file's own layout of the table did not serve
    };
    std::vector<RowShape> ownShapes(const KnownTable& known, Group& group) const;
    // Adds the shapes of the shorter rows a table laid out as layout may hold from before it
    // grew: those of known layouts that begin it, and those ending where known's older tables did.
    static void addEarlierRows(const KnownTable& known, const TableColumns& layout, std::vector<RowShape>& shapes);

    CarveDatabase& db_;
    std::optional<std::vector<SchemaEntry>> schema_;
    std::vector<Group> groups_;
};

}  // namespace carve
