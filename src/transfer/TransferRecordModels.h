// The array controllers behind the transfer page's contact, message and note tables: rows over
// the records in arrival order (messages as conversations), read only.
#pragma once

#include "model/PRContactNode.h"
#include "model/PRMessageNode.h"
#include "model/PRNoteNode.h"

#include <QAbstractTableModel>
#include <vector>

// In a namespace of their own: the results screen has array controllers of the same names.
namespace transfer {

template <class Record>
class TransferRecordModel : public QAbstractTableModel {
public:
    using Ptr = std::shared_ptr<Record>;
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override { return parent.isValid() ? 0 : int(content_.size()); }
    // Replaces every row.
    void setContent(std::vector<Ptr> records) {
        beginResetModel();
        content_ = std::move(records);
        endResetModel();
    }
    const std::vector<Ptr>& content() const { return content_; }
    Ptr at(int row) const { return row >= 0 && row < int(content_.size()) ? content_[size_t(row)] : nullptr; }

private:
    std::vector<Ptr> content_;
};

class PRContactController : public TransferRecordModel<PRContactNode> {
public:
    enum Column { Name, Phone, Email, Company, ColumnCount };
    using TransferRecordModel::TransferRecordModel;
    int columnCount(const QModelIndex& = {}) const override { return ColumnCount; }
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
};

class PRMessageTreeController : public TransferRecordModel<PRMessageTreeNode> {
public:
    enum Column { Name, Address, Messages, LastDate, ColumnCount };
    using TransferRecordModel::TransferRecordModel;
    int columnCount(const QModelIndex& = {}) const override { return ColumnCount; }
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
};

class PRNoteController : public TransferRecordModel<PRNoteNode> {
public:
    enum Column { Title, Date, Content, ColumnCount };
    using TransferRecordModel::TransferRecordModel;
    int columnCount(const QModelIndex& = {}) const override { return ColumnCount; }
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
};

}  // namespace transfer
