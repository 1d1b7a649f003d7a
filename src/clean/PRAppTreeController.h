// Turns a flat stream of file records into sorted folder trees, one top-level folder per app,
// and serves them to an outline view (one column, "fileDirName", with the folder icon).
//
// Two parallel sets of operations: the app set builds PRAppDirTreeNode/PRAppFileTreeNode trees
// (transfer page), the clean set, whose methods take a withClean flag, builds
// PRCleanDirNode/PRCleanFileNode trees (clean page). One controller holds one kind of tree.
// Main thread only.
#pragma once

#include "clean/core/PRAppDirTreeNode.h"
#include "clean/core/PRCleanDirNode.h"

#include <QAbstractItemModel>
#include <QCollator>
#include <QHash>
#include <QImage>
#include <QString>
#include <functional>
#include <vector>

class PRAppTreeController : public QAbstractItemModel {
    Q_OBJECT
public:
    explicit PRAppTreeController(QObject* parent = nullptr);
    ~PRAppTreeController() override;

    // ---- App set ------------------------------------------------------------------------
    void addTreeNode(const PRAppDirTreeNodePtr& record);
    PRAppDirTreeNodePtr IsThisDirOrFileFatherHasCreate(const PRAppDirTreeNodePtr& record) const;
    void addPathToTreeFolder(const QString& path);
    void addFileNode(const PRAppDirTreeNodePtr& folder, const QString& name);
    void SaveDirArray(const PRAppDirTreeNodePtr& folder);
    void reloadOutLineData();

    // ---- Clean set ----------------------------------------------------------------------
    void addTreeNode(const PRCleanDirNodePtr& record, bool withClean);
    PRCleanDirNodePtr IsThisDirOrFileFatherHasCreate(const PRCleanDirNodePtr& record, bool withClean) const;
    void addPathToTreeFolder(const QString& path, bool withClean);
    void addFileNode(const PRCleanDirNodePtr& folder, const QString& name, bool withClean);
    void SaveDirArray(const PRCleanDirNodePtr& folder, bool withClean);
    void reloadOutLineDatawithClean(bool withClean);

    // The text before / after the first occurrence of ch; a null string when ch does not occur
    // (or, for the text after, is the last character).
    static QString SubstringToCh(const QString& text, QChar ch);
    static QString SubstringFromCh(const QString& text, QChar ch);
    // Empties the saved-folder list.
    void initData();

    // ---- Content ------------------------------------------------------------------------
    const std::vector<PRAppDirTreeNodePtr>& appContent() const { return appContent_; }
    const std::vector<PRCleanDirNodePtr>& cleanContent() const { return cleanContent_; }
    // Drops every tree (and the saved folders) so that a new scan starts from nothing.
    void removeAllContent();
    // Takes away the folders (app rows included) that no longer hold any file, after removals;
    // returns how many went.
    int removeEmptyCleanFolders();
    PRCleanDirNodePtr cleanNodeForIndex(const QModelIndex& index) const;
    PRAppDirTreeNodePtr appNodeForIndex(const QModelIndex& index) const;
    // Called after every reload: the owning page refreshes its outline (the clean page expands
    // its first row; the transfer page collapses its app outline until its list is complete).
    void setRefreshOutlineHandler(std::function<void()> handler) { refreshOutlineHandler_ = std::move(handler); }
    // How many reloads have run, for tests and the owning page.
    int reloadCount() const { return reloadCount_; }

    // ---- State the operations share -----------------------------------------------------
    std::vector<NSObjectPtr> fileDirArray;  // folders saved as the last folder of a chain made here
    QString nodeFullPath;
    QImage nodeAppImage;
    QString nodeFileSize;
    QString nodeFileType;
    bool BRefreshTreeFlag = false;  // YES while the content is being rearranged
    QString currentNodeBundleName;
    QString currentDisplayName;
    uint64_t nodeFileSizeNumber = 0;  // exact bytes of the record being added (clean set)

    // ---- QAbstractItemModel -------------------------------------------------------------
    QModelIndex index(int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    static constexpr const char* kColumnIdentifier = "fileDirName";

private:
    template <class Dir>
    friend struct TreeWalk;
    enum class Kind { None, App, Clean };
    QString treePathOf(const QString& displayName) const;
    void beginInsertFolder(const NSObject* parentFolder, int row);
    void endInsertFolder();
    QModelIndex indexOfFolder(const NSObject* folder) const;

    Kind kind_ = Kind::None;
    std::vector<PRAppDirTreeNodePtr> appContent_;
    std::vector<PRCleanDirNodePtr> cleanContent_;
    QCollator collator_;  // one for every comparison
    // Saved folders by filePath, first saved first, for IsThisDirOrFileFatherHasCreate.
    QHash<QString, NSObject*> savedByPath_;
    // Every folder path walked to its end, so that the next file of the same folder skips the
    // level-by-level search.
    QHash<QString, NSObject*> folderByTreePath_;
    std::function<void()> refreshOutlineHandler_;
    int reloadCount_ = 0;
};
