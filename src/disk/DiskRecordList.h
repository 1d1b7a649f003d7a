// The shared part of the disk manager's media tables: an ordered list of records, one per row,
// replaced as a whole. Each table says its columns' titles, texts, icons and, for size columns,
// the byte counts that sorting uses (Qt::UserRole; other columns sort by their text).
// Main thread only.
#pragma once

#include <QAbstractTableModel>
#include <QPixmap>
#include <cstdint>
#include <memory>
#include <optional>
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
    RecordPtr objectAt(int row) const {
        return row >= 0 && row < int(content_.size()) ? content_[size_t(row)] : nullptr;
    }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : int(content_.size());
    }
    int columnCount(const QModelIndex& parent = QModelIndex()) const override {
        return parent.isValid() ? 0 : columns();
    }

    QVariant data(const QModelIndex& index, int role) const override {
        const RecordPtr record = objectAt(index.row());
        if (!record) return {};
        switch (role) {
        case Qt::DisplayRole:
        case Qt::ToolTipRole: return text(*record, index.column());
        case Qt::DecorationRole: {
            const QPixmap pixmap = icon(record, index.column());
            return pixmap.isNull() ? QVariant() : QVariant(pixmap);
        }
        case Qt::UserRole:
            if (const std::optional<uint64_t> b = bytes(*record, index.column()))
                return QVariant::fromValue<qulonglong>(*b);
            return text(*record, index.column());
        default: return {};
        }
    }
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
        return title(section);
    }

protected:
    virtual int columns() const = 0;
    virtual QString title(int column) const = 0;
    virtual QString text(const Record& record, int column) const = 0;
    virtual QPixmap icon(const RecordPtr&, int) const { return {}; }
    // The bytes of a size column; nothing for the others.
    virtual std::optional<uint64_t> bytes(const Record&, int) const { return std::nullopt; }
    // Called inside the reset when the content was replaced (tables drop their caches here).
    virtual void contentChanged() {}

private:
    std::vector<RecordPtr> content_;
};
