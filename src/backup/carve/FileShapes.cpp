#include "backup/carve/FileShapes.h"

#include "backup/carve/KnownLayouts.h"

#include <algorithm>

namespace carve {

namespace {
// Whether the columns of earlier begin those of later, by name: the rows written before an
// ALTER TABLE added the rest keep only those.
bool beginsWith(const TableColumns& later, const TableColumns& earlier) {
    return earlier.columns.size() < later.columns.size() &&
           std::equal(earlier.columns.begin(), earlier.columns.end(), later.columns.begin(),
                      [](const SchemaColumn& a, const SchemaColumn& b) { return sameName(a.name, b.name); });
}

// The columns known needs that layout lacks.
std::string missingColumns(const KnownTable& known, const TableColumns& layout) {
    std::string names;
    for (const KnownColumn& column : known.columns)
        if ((column.use & kNeeded) && layout.columnIndex(column.name) < 0)
            names += (names.empty() ? "" : ", ") + std::string(column.name);
    return names;
}
}  // namespace

FileShapes::FileShapes(CarveDatabase& db) : db_(db), schema_(readSchema(db)) {}

std::vector<RowShape> FileShapes::ownShapes(const KnownTable& known, Group& group) const {
    std::vector<RowShape> shapes;
    const auto entry = std::find_if(schema_->begin(), schema_->end(), [&](const SchemaEntry& e) {
        return e.type == "table" && sameName(e.name, known.table);
    });
    if (entry == schema_->end()) return shapes;
    const std::optional<TableColumns> own = parseCreateTable(entry->sql);
    if (!own) {
        // A statement that does not read says nothing of where the columns stand: the layouts
        // phones gave the table are all the carve has.
        group.fallback = true;
        group.problem = "its CREATE TABLE could not be read";
        return shapes;
    }
    std::optional<RowShape> shape = RowShape::make(known, *own, "the file's own layout");
    if (!shape) {
        group.problem = "the file's table lacks " + missingColumns(known, *own);
        return shapes;
    }
    // Columns past every layout phones are known to have given the table were added by an update
    // not known here: rows written before it lack them.
    size_t knownPart = 0;
    for (const KnownLayout& layout : knownLayouts(known.table))
        if (layout.columns.columns.size() <= own->columns.size() &&
            std::equal(layout.columns.columns.begin(), layout.columns.columns.end(), own->columns.begin(),
                       [](const SchemaColumn& a, const SchemaColumn& b) { return sameName(a.name, b.name); }))
            knownPart = std::max(knownPart, layout.columns.columns.size());
    if (knownPart > 0) shape->allowShorterRows(knownPart);
    shapes.push_back(std::move(*shape));
    addEarlierRows(known, *own, shapes);
    return shapes;
}

void FileShapes::addEarlierRows(const KnownTable& known, const TableColumns& layout, std::vector<RowShape>& shapes) {
    std::vector<size_t> lengths;  // of the rows shapes has made for, so that each is made once
    for (const RowShape& shape : shapes) lengths.push_back(shape.columnCount());
    auto add = [&](const TableColumns& earlier, const std::string& source) {
        if (std::find(lengths.begin(), lengths.end(), earlier.columns.size()) != lengths.end()) return;
        if (auto shape = RowShape::make(known, earlier, "rows from before the table grew (" + source + ")")) {
            lengths.push_back(earlier.columns.size());
            shapes.push_back(std::move(*shape));
        }
    };
    for (const KnownLayout& older : knownLayouts(known.table))
        if (beginsWith(layout, older.columns)) add(older.columns, older.source);
    for (std::string_view end : known.earlierEnds) {
        const int last = layout.columnIndex(end);
        if (last < 0 || static_cast<size_t>(last) + 1 == layout.columns.size()) continue;
        TableColumns earlier = layout;
        earlier.columns.resize(static_cast<size_t>(last) + 1);
        add(earlier, "ending at " + std::string(end));
    }
}

size_t FileShapes::add(const KnownTable& known) {
    Group group{&known, {}, !schema_.has_value(), {}};
    if (schema_) group.shapes = ownShapes(known, group);
    if (group.fallback) {
        for (const KnownLayout& layout : knownLayouts(known.table))
            if (auto shape = RowShape::make(known, layout.columns, "the layout of " + layout.source))
                group.shapes.push_back(std::move(*shape));
        for (const KnownLayout& layout : knownLayouts(known.table)) addEarlierRows(known, layout.columns, group.shapes);
    }
    groups_.push_back(std::move(group));
    return groups_.size() - 1;
}

std::vector<TableShape> FileShapes::shapes() const {
    std::vector<TableShape> all;
    for (const Group& group : groups_)
        for (const RowShape& shape : group.shapes) all.push_back(shape.shape());
    return all;
}

std::vector<FileShapes::Member> FileShapes::of(size_t group) const {
    std::vector<Member> members;
    size_t index = 0;
    for (size_t g = 0; g < groups_.size(); ++g)
        for (const RowShape& shape : groups_[g].shapes) {
            if (g == group) members.push_back({index, &shape});
            ++index;
        }
    return members;
}

void FileShapes::report(const std::vector<CarvedTable>& tables) const {
    // A table two kinds of phone laid out apart (the messages of iOS 5 and of iOS 6) is one of
    // them: the other's lack is no news.
    auto servedElsewhere = [&](const Group& group) {
        return std::any_of(groups_.begin(), groups_.end(), [&](const Group& other) {
            return &other != &group && !other.shapes.empty() && sameName(other.known->table, group.known->table);
        });
    };
    size_t index = 0;
    for (const Group& group : groups_) {
        const std::string table(group.known->table);
        std::string served;
        for (const RowShape& shape : group.shapes) {
            const CarvedTable* carved = index < tables.size() ? &tables[index] : nullptr;
            ++index;
            const bool rows = carved && (!carved->deleted.empty() || !carved->live.empty() ||
                                         !carved->liveKept.empty() || !carved->digests.empty());
            // The file's own layout is named whatever it found (the shorter rows from before its
            // table grew are its own too); a known one only where it found rows.
            const bool named = group.fallback ? rows : &shape == &group.shapes.front();
            if (named) served += (served.empty() ? "" : ", ") + shape.source();
        }
        std::string note;
        if (!group.fallback && !group.shapes.empty())
            note = served;
        else if (group.fallback)
            note = (schema_ ? group.problem : std::string("no schema could be read")) + "; " +
                   (served.empty() ? "no known layout found rows" : "served: " + served);
        else if (!group.problem.empty() && !servedElsewhere(group))
            note = group.problem + ": not carved";
        if (!note.empty()) db_.noteLayout(table + ": " + note, group.fallback || group.shapes.empty());
    }
}

}  // namespace carve
