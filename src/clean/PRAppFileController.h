// The content of a file table: file nodes of a clean tree (PRCleanFileNode) or of an app tree
// (PRAppFileTreeNode), one row each, shown in the columns the table is made with. The size
// column shows the size text and gives the byte count under kSortRole; sort() orders by it.
// Main thread only.
#pragma once

#include "platform/NSObject.h"

#include <QAbstractTableModel>
#include <cstdint>
#include <vector>

class PRAppFileController : public QAbstractTableModel {
    Q_OBJECT
public:
    // The fields a file table can show, one per column.
    enum class Column { FileName, AppDisplayName, FileSize, FileType, FilePath };
    // The role sorting uses: the byte count in the size column, the text elsewhere.
    static constexpr int kSortRole = Qt::UserRole;

    explicit PRAppFileController(std::vector<Column> columns, QObject* parent = nullptr);

    const std::vector<NSObjectPtr>& content() const { return content_; }
    void setContent(std::vector<NSObjectPtr> content);
    void addObjects(const std::vector<NSObjectPtr>& objects);
    void removeObjectAtArrangedObjectIndex(int row);
    // Removes the row holding object (by identity); false when it is not there.
    bool removeObject(const NSObject* object);
    NSObjectPtr objectAt(int row) const;
    int indexOf(const NSObject* object) const;
    const std::vector<Column>& columns() const { return columns_; }
    // The field of a column of this table (FileName outside the table).
    Column columnAt(int section) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    // Orders the rows by the column's sort role (sizes by bytes), keeping equal rows in order.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The text of one field of a file node, for any of the file node classes.
    static QString fieldText(const NSObject& node, Column field);
    // The node's size in bytes: its byte count, or its size text read back where it has none.
    static uint64_t sizeBytes(const NSObject& node);

private:
    std::vector<Column> columns_;
    std::vector<NSObjectPtr> content_;
};
