#include "disk/PRSystemLibTreeController.h"

#include "clean/PRAppTreeController.h"

#include <QLocale>
#include <algorithm>

namespace {

// The user's collation; the plain C locale (no language set) would sort by code point, so it
// falls back to the English rules that sort names as a person reads them.
QLocale collationLocale() {
    const QLocale locale;
    return locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : locale;
}

int rowIn(const std::vector<PRPhoneSystemDirNodePtr>& level, const PRPhoneSystemDirNode* node) {
    for (size_t i = 0; i < level.size(); ++i)
        if (level[i].get() == node) return int(i);
    return -1;
}

}  // namespace

PRSystemLibTreeController::PRSystemLibTreeController(QObject* parent)
    : QAbstractItemModel(parent), collator_(collationLocale()) {}

QString PRSystemLibTreeController::SubstringToCh(const QString& text, QChar ch) {
    return PRAppTreeController::SubstringToCh(text, ch);
}

QString PRSystemLibTreeController::SubstringFromCh(const QString& text, QChar ch) {
    return PRAppTreeController::SubstringFromCh(text, ch);
}

QString PRSystemLibTreeController::treePathOf(const QString& devicePath) {
    QString path = devicePath;
    path.replace(QStringLiteral("/."), QStringLiteral("/"));
    return QStringLiteral("System") + path;
}

void PRSystemLibTreeController::addTreeNode(const PRPhoneSystemDirNodePtr& item) {
    if (!item) return;
    nodeFullPath = item->filePath;
    nodeFileSize = item->fileSize;
    nodeFileSizeNumber = item->fileSizeNumber;
    nodeDeviceBytes = item->deviceBytes;
    addPathToTreeFolder(treePathOf(item->filePath));
}

const std::vector<PRPhoneSystemDirNodePtr>& PRSystemLibTreeController::childrenOf(
    const PRPhoneSystemDirNode* folder) const {
    return folder ? folder->children() : content_;
}

void PRSystemLibTreeController::insertFolder(const PRPhoneSystemDirNodePtr& parent, int row,
                                             const PRPhoneSystemDirNodePtr& folder) {
    BRefreshTreeFlag = true;
    beginInsertRows(indexForNode(parent.get()), row, row);
    if (parent) {
        std::vector<PRPhoneSystemDirNodePtr> children = parent->children();
        children.insert(children.begin() + row, folder);
        parent->setChildren(std::move(children));
    } else {
        content_.insert(content_.begin() + row, folder);
    }
    endInsertRows();
    BRefreshTreeFlag = false;
}

void PRSystemLibTreeController::addPathToTreeFolder(const QString& treePath) {
    // An item of a folder reached before goes straight into it: the walk below would find
    // every folder of the chain and change nothing on the way.
    const int lastSlash = treePath.lastIndexOf('/');
    if (lastSlash >= 0 && lastSlash + 1 < treePath.size()) {
        auto it = folderByTreePath_.constFind(treePath.left(lastSlash));
        if (it != folderByTreePath_.constEnd()) {
            addFileNode((*it)->shared_from_this(), treePath.mid(lastSlash + 1));
            return;
        }
    }

    QString head = SubstringToCh(treePath, '/');
    QString rest = SubstringFromCh(treePath, '/');
    if (head.isNull()) return;
    PRPhoneSystemDirNodePtr parent;
    for (int depth = 0;; ++depth) {
        const int n = rest.isNull() ? 0 : int(rest.count('/')) + 1;
        if (depth == 1 && head.startsWith('.')) head.remove(0, 1);
        const std::vector<PRPhoneSystemDirNodePtr>& level = childrenOf(parent.get());
        // Each level is kept sorted, so the first folder not below head is where head is found
        // or belongs.
        auto pos = std::lower_bound(level.begin(), level.end(), head,
                                    [this](const PRPhoneSystemDirNodePtr& f, const QString& h) {
                                        return collator_.compare(f->fileDirName, h) < 0;
                                    });
        PRPhoneSystemDirNodePtr folder;
        if (pos != level.end() && collator_.compare(head, (*pos)->fileDirName) == 0) {
            folder = *pos;
            if (n == 1) {
                addFileNode(folder, rest);
                folderByTreePath_.insert(treePath.left(lastSlash), folder.get());
                return;
            }
            folder->isLeaf = false;
        } else {
            folder = PRPhoneSystemDirNode::create();
            folder->fileDirName = head;
            folder->parent = parent;
            folder->fileType = QStringLiteral("Folder");
            insertFolder(parent, int(pos - level.begin()), folder);
            if (n == 1) {
                addFileNode(folder, rest);
                folder->isLeaf = true;
                folderByTreePath_.insert(treePath.left(lastSlash), folder.get());
                reloadOutLineData();
                return;
            }
        }
        head = SubstringToCh(rest, '/');
        rest = SubstringFromCh(rest, '/');
        parent = folder;
        if (head.isNull()) return;
    }
}

void PRSystemLibTreeController::addFileNode(const PRPhoneSystemDirNodePtr& folder, const QString& name) {
    auto file = PRPhoneSystemFileNode::create();
    file->fileName = name;
    file->fileSize = nodeFileSize;
    file->filePath = nodeFullPath;
    file->fileSizeNumber = nodeFileSizeNumber;
    file->deviceBytes = nodeDeviceBytes;
    file->parent = folder;
    file->fileType = nodeFileSize.isEmpty() ? QStringLiteral("Folder") : QStringLiteral("File");
    folder->addFileChildren(std::move(file));
}

void PRSystemLibTreeController::reloadOutLineData() {
    BRefreshTreeFlag = true;
    ++reloadCount_;
    BRefreshTreeFlag = false;
    if (refreshOutlineHandler_) refreshOutlineHandler_();
}

void PRSystemLibTreeController::removeAllContent() {
    beginResetModel();
    content_.clear();
    folderByTreePath_.clear();
    endResetModel();
}

PRPhoneSystemDirNodePtr PRSystemLibTreeController::nodeForIndex(const QModelIndex& index) const {
    if (!index.isValid() || index.model() != this) return nullptr;
    auto* node = static_cast<PRPhoneSystemDirNode*>(index.internalPointer());
    return node->shared_from_this();
}

QModelIndex PRSystemLibTreeController::indexForNode(const PRPhoneSystemDirNode* node) const {
    if (!node) return {};
    auto parent = node->parent.lock();
    const int row = rowIn(parent ? parent->children() : content_, node);
    return row < 0 ? QModelIndex() : createIndex(row, 0, const_cast<PRPhoneSystemDirNode*>(node));
}

QModelIndex PRSystemLibTreeController::index(int row, int column, const QModelIndex& parent) const {
    if (column != FileDirName || row < 0) return {};
    const auto& level = childrenOf(static_cast<const PRPhoneSystemDirNode*>(parent.internalPointer()));
    if (row >= int(level.size())) return {};
    return createIndex(row, column, level[size_t(row)].get());
}

QModelIndex PRSystemLibTreeController::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    return indexForNode(static_cast<PRPhoneSystemDirNode*>(child.internalPointer())->parent.lock().get());
}

int PRSystemLibTreeController::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    if (!parent.isValid()) return int(content_.size());
    return int(static_cast<PRPhoneSystemDirNode*>(parent.internalPointer())->children().size());
}

int PRSystemLibTreeController::columnCount(const QModelIndex&) const { return ColumnCount; }

QVariant PRSystemLibTreeController::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    const auto* node = static_cast<PRPhoneSystemDirNode*>(index.internalPointer());
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return node->fileDirName;
    if (role == Qt::DecorationRole && !node->nodeIcon.isNull()) return node->nodeIcon;
    return {};
}

QVariant PRSystemLibTreeController::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section == FileDirName) return tr("Folder");
    return {};
}
