// The shape of a table's rows made from one layout of the table (its columns in order, as a
// file's own CREATE TABLE declares them, or as a version of iOS laid them out) and what a
// carver knows of its columns by name: which columns the page walk checks, and how, and where
// the value of each column the carver reads lies among a carved row's values.
#pragma once

#include "backup/carve/CarveRecords.h"
#include "backup/carve/KnownTable.h"
#include "backup/carve/TableSchema.h"

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace carve {

class RowShape {
public:
    // The shape of known's rows laid out as layout declares them; none where the layout lacks a
    // column known needs, or keeps its rows outside a table's usual tree (WITHOUT ROWID).
    // A column the layout has and known does not is checked as holding any value; one known
    // has and the layout does not is a value no row holds (NULL to the carver). source says
    // where the layout came from, for the carve's report.
    static std::optional<RowShape> make(const KnownTable& known, const TableColumns& layout, std::string source);

    // Lets rows of as few as fewest columns be read, the later columns NULL: rows a table held
    // before an update of the phone added those columns by ALTER TABLE.
    void allowShorterRows(size_t fewest);

    const TableShape& shape() const { return shape_; }
    const KnownTable& known() const { return *known_; }
    const std::string& source() const { return source_; }
    size_t columnCount() const { return shape_.columns.size(); }

    // Whether rows of this layout hold known column k at all.
    bool has(size_t k) const { return place_[k] >= 0; }
    // The value of known column k in a carved row of this shape: NULL where the layout has no
    // such column or the carver does not read it.
    const CarvedValue& value(const CarvedRecord& row, size_t k) const;
    // The same of a live row that answers only its also-kept values (LiveRows::alsoKept).
    const CarvedValue& value(const LiveKeptRow& row, size_t k) const;
    // Where known column k lies among a row's values (for pairRows); none where it is not kept.
    std::optional<size_t> slot(size_t k) const;

private:
    RowShape() = default;

    const KnownTable* known_ = nullptr;
    TableShape shape_;
    std::string source_;
    std::vector<int> place_;     // per known column: its place in the layout, -1 when absent
    std::vector<int> slot_;      // per known column: its slot among a full row's values, -1 when not kept
    std::vector<int> alsoKept_;  // per known column: its place among the also-kept values, -1 when not one
    size_t valueCount_ = 0;      // the values a carved row keeps
};

}  // namespace carve
