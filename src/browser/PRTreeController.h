// The tree controller of the backup-file outline: the folders of the scanned backup (device
// name, domains, folders), each with a three-state check box. Checking a folder checks
// everything below it and brings the folders above it up to date.
#pragma once

#include "model/PRTreeDirNode.h"

#include <QAbstractItemModel>
#include <QIcon>
#include <functional>
#include <unordered_map>
#include <vector>

class PRTreeController : public QAbstractItemModel {
public:
    enum Column { NodeName, ColumnCount };
    explicit PRTreeController(QObject* parent = nullptr) : QAbstractItemModel(parent) {}

    // Shows the tree of these root folders (nothing when empty).
    void setRoots(std::vector<PRTreeDirNodePtr> roots);
    const std::vector<PRTreeDirNodePtr>& roots() const { return roots_; }
    PRTreeDirNodePtr folderAt(const QModelIndex& index) const;
    QModelIndex indexOf(const PRTreeDirNodePtr& folder) const;
    // Redraws every check box after marks changed elsewhere (the file table).
    void refreshMarks();

    // Called after a folder's check box changed the marks.
    std::function<void()> marksChanged;

    QModelIndex index(int row, int column, const QModelIndex& parent = {}) const override;
    QModelIndex parent(const QModelIndex& index) const override;
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    const std::vector<PRTreeDirNodePtr>& level(const QModelIndex& parent) const;
    void emitChecks(const QModelIndex& parent);

    std::vector<PRTreeDirNodePtr> roots_;
    // Each folder's row among its siblings: the tree does not change once shown.
    std::unordered_map<const PRTreeDirNode*, int> rows_;
    mutable QIcon folderIcon_;
};
