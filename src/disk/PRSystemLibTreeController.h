// Turns a stream of device paths into the folder tree under one root, "System", that stands
// for the device's "/": folders sorted by name as a person reads them, each item also an entry
// in the file list of the folder that holds it. A leading dot of every path component is
// dropped from the shown names. Serves the tree to an outline view (one column, the folder's
// name with its icon). Main thread only.
#pragma once

#include "clean/core/PRPhoneSystemDirNode.h"

#include <QAbstractItemModel>
#include <QCollator>
#include <QHash>
#include <QString>
#include <functional>
#include <vector>

class PRSystemLibTreeController : public QAbstractItemModel {
    Q_OBJECT
public:
    enum Column { FileDirName, ColumnCount };

    explicit PRSystemLibTreeController(QObject* parent = nullptr);

    // Places one item (filePath an absolute device path, fileSize its size text or null).
    void addTreeNode(const PRPhoneSystemDirNodePtr& item);
    // The text before / after the first occurrence of ch; null when ch does not occur (or, for
    // the text after, is the last character).
    static QString SubstringToCh(const QString& text, QChar ch);
    static QString SubstringFromCh(const QString& text, QChar ch);
    // The path of an item in the tree: "System" and the device path with every "/." made "/".
    static QString treePathOf(const QString& devicePath);

    const std::vector<PRPhoneSystemDirNodePtr>& content() const { return content_; }
    // Drops the whole tree, so that a new scan starts from nothing.
    void removeAllContent();
    PRPhoneSystemDirNodePtr nodeForIndex(const QModelIndex& index) const;
    QModelIndex indexForNode(const PRPhoneSystemDirNode* node) const;
    // Called after every re-arrangement (the page expands its outline's first row).
    void setRefreshOutlineHandler(std::function<void()> handler) { refreshOutlineHandler_ = std::move(handler); }
    int reloadCount() const { return reloadCount_; }

    QString nodeFullPath;  // the item being placed
    QString nodeFileSize;
    uint64_t nodeFileSizeNumber = 0;
    std::string nodeDeviceBytes;
    bool BRefreshTreeFlag = false;  // YES while the content is re-arranged

    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void addPathToTreeFolder(const QString& treePath);
    void addFileNode(const PRPhoneSystemDirNodePtr& folder, const QString& name);
    void reloadOutLineData();
    const std::vector<PRPhoneSystemDirNodePtr>& childrenOf(const PRPhoneSystemDirNode* folder) const;
    void insertFolder(const PRPhoneSystemDirNodePtr& parent, int row, const PRPhoneSystemDirNodePtr& folder);

    std::vector<PRPhoneSystemDirNodePtr> content_;
    QCollator collator_;
    // Folders reached before, by tree path, so that the next item of the same folder skips the
    // level-by-level search.
    QHash<QString, PRPhoneSystemDirNode*> folderByTreePath_;
    std::function<void()> refreshOutlineHandler_;
    int reloadCount_ = 0;
};
