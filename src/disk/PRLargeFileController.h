// A found large file as the large-file finder's tables show it, and the tables' content: one
// row per file (name, size, app, device path), in the order given. The size column's sort role
// holds the byte count. Main thread only.
#pragma once

#include "disk/core/LargeFileScan.h"

#include <QAbstractTableModel>
#include <QImage>
#include <QString>
#include <memory>
#include <vector>

class PRLargeFileNode {
public:
    QString fileName;
    QString filePath;
    QString fileSize;
    QString fileParentName;  // app files: the app's display name and ".app"; else empty
    QImage fileIcon;         // app files: the app's icon
    QString appBundId;
    uint64_t fileSizeNumber = 0;
    uint64_t appFileSizeNumber = 0;
    // The record the scan made (the actions take it back).
    disk::LargeFileRecord record;
};
using PRLargeFileNodePtr = std::shared_ptr<PRLargeFileNode>;

class PRLargeFileController : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { FileName, FileSize, FileParentName, FilePath, ColumnCount };

    explicit PRLargeFileController(QObject* parent = nullptr);

    const std::vector<PRLargeFileNodePtr>& content() const { return content_; }
    void setContent(std::vector<PRLargeFileNodePtr> content);
    PRLargeFileNodePtr objectAt(int row) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    std::vector<PRLargeFileNodePtr> content_;
};

// The four tables' controllers: one kind of content each, nothing of their own.
class PRAppLargeFileController : public PRLargeFileController {
    using PRLargeFileController::PRLargeFileController;
};
class PRUserDataBigController : public PRLargeFileController {
    using PRLargeFileController::PRLargeFileController;
};
class PRAppBigController : public PRLargeFileController {
    using PRLargeFileController::PRLargeFileController;
};
