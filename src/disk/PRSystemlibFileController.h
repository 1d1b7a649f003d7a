// The file list beside the user-data outline: the entries of the folder selected, one row each
// (name, size, type, device path). Sorting by size sorts by bytes. Main thread only.
#pragma once

#include "clean/core/PRPhoneSystemDirNode.h"

#include <QAbstractTableModel>
#include <vector>

class PRSystemlibFileController : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { FileName, FileSize, FileType, FilePath, ColumnCount };

    explicit PRSystemlibFileController(QObject* parent = nullptr);

    const std::vector<PRPhoneSystemFileNodePtr>& content() const { return content_; }
    void setContent(std::vector<PRPhoneSystemFileNodePtr> content);
    PRPhoneSystemFileNodePtr objectAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<PRPhoneSystemFileNodePtr> content_;
};
