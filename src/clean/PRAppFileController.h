// The content of a file table: file nodes of a clean tree (PRCleanFileNode) or of an app tree
// (PRAppFileTreeNode), one row each, shown in the columns named by their field identifiers
// ("fileName", "fileSize", "fileType", "filePath"). Main thread only.
#pragma once

#include "platform/NSObject.h"

#include <QAbstractTableModel>
#include <QStringList>
#include <vector>

class PRAppFileController : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit PRAppFileController(QStringList columns, QObject* parent = nullptr);

    const std::vector<NSObjectPtr>& content() const { return content_; }
    void setContent(std::vector<NSObjectPtr> content);
    void addObjects(const std::vector<NSObjectPtr>& objects);
    void removeObjectAtArrangedObjectIndex(int row);
    // Removes the row holding object (by identity); false when it is not there.
    bool removeObject(const NSObject* object);
    NSObjectPtr objectAt(int row) const;
    int indexOf(const NSObject* object) const;
    const QStringList& columns() const { return columns_; }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    // The text of one field of a file node, for any of the file node classes.
    static QString fieldText(const NSObject& node, const QString& field);

private:
    QStringList columns_;
    std::vector<NSObjectPtr> content_;
};
