// The shared part of the disk manager's record tables: an ordered list of records, one per row,
// replaced as a whole. Each table says its columns, texts and sort values. Main thread only.
#pragma once

#include <QAbstractTableModel>
#include <memory>
#include <vector>

template <class Record>
class DiskRecordList : public QAbstractTableModel {
public:
    using RecordPtr = std::shared_ptr<Record>;
    using QAbstractTableModel::QAbstractTableModel;

    const std::vector<RecordPtr>& content() const { return content_; }
    void setContent(std::vector<RecordPtr> content) {
        beginResetModel();
        content_ = std::move(content);
        contentChanged();
        endResetModel();
    }
    RecordPtr objectAt(int row) const { return row >= 0 && row < int(content_.size()) ? content_[size_t(row)] : nullptr; }
    int rowCount(const QModelIndex& parent = QModelIndex()) const override { return parent.isValid() ? 0 : int(content_.size()); }

protected:
    // Called inside the reset when the content was replaced (tables drop their caches here).
    virtual void contentChanged() {}

private:
    std::vector<RecordPtr> content_;
};
