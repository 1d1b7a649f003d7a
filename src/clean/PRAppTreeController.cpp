#include "clean/PRAppTreeController.h"

#include <QIcon>
#include <QLocale>
#include <QPixmap>
#include <algorithm>
#include <unordered_set>

namespace {

// "a.db" -> "db"; a name without an extension (or only a leading dot) gives an empty text.
QString extensionOf(const QString& name) {
    const int dot = name.lastIndexOf('.');
    return dot > 0 && dot + 1 < name.size() ? name.mid(dot + 1) : QString();
}

// The user's collation; the plain C locale (no language set) would sort by code point, so it
// falls back to the English rules that sort names as a person reads them.
QLocale collationLocale() {
    const QLocale locale;
    return locale.language() == QLocale::C ? QLocale(QLocale::English, QLocale::UnitedStates) : locale;
}

QString lastComponent(const QString& path) { return path.mid(path.lastIndexOf('/') + 1); }

}  // namespace

// The walk shared by both sets; Dir is PRAppDirTreeNode or PRCleanDirNode.
template <class Dir>
struct TreeWalk {
    using DirPtr = std::shared_ptr<Dir>;

    static std::vector<DirPtr>& top(PRAppTreeController& c);
    static void fillNewFolder(PRAppTreeController& c, Dir& folder);
    static void addFile(PRAppTreeController& c, const DirPtr& folder, const QString& name);
    static void save(PRAppTreeController& c, const DirPtr& folder);
    static void reload(PRAppTreeController& c);

    static DirPtr pointerTo(NSObject* folder) { return static_cast<Dir*>(folder)->shared_from_this(); }

    static void walk(PRAppTreeController& c, const QString& path) {
        // A file of a folder walked before goes straight into it: the walk below would find
        // every folder of the chain and change nothing on the way.
        const int lastSlash = path.lastIndexOf('/');
        if (lastSlash >= 0 && lastSlash + 1 < path.size()) {
            auto it = c.folderByTreePath_.constFind(path.left(lastSlash));
            if (it != c.folderByTreePath_.constEnd()) {
                addFile(c, pointerTo(*it), path.mid(lastSlash + 1));
                return;
            }
        }

        QString head = PRAppTreeController::SubstringToCh(path, '/');
        QString rest = PRAppTreeController::SubstringFromCh(path, '/');
        if (head.isNull()) return;
        std::vector<DirPtr>* level = &top(c);
        DirPtr parent;
        for (int depth = 0;; ++depth) {
            const int n = rest.isNull() ? 0 : int(rest.count('/')) + 1;
            if (depth == 1 && head.startsWith('.')) head.remove(0, 1);
            // Each level is kept sorted, so the first folder not below head is where head is
            // found or belongs.
            auto pos =
                std::lower_bound(level->begin(), level->end(), head, [&c](const DirPtr& folder, const QString& h) {
                    return c.collator_.compare(folder->fileDirName, h) < 0;
                });
            const bool found = pos != level->end() && c.collator_.compare(head, (*pos)->fileDirName) == 0;
            DirPtr folder;
            if (found) {
                folder = *pos;
                if (n == 1) {
                    addFile(c, folder, rest);
                    c.folderByTreePath_.insert(path.left(lastSlash), folder.get());
                    return;
                }
                folder->isLeaf = false;
            } else {
                folder = std::make_shared<Dir>();
                folder->fileDirName = head;
                folder->parent = parent;
                folder->appBundleName = c.currentNodeBundleName;
                fillNewFolder(c, *folder);
                if (!parent && !c.nodeAppImage.isNull()) folder->nodeIcon = c.nodeAppImage;
                const int row = int(pos - level->begin());
                c.beginInsertFolder(parent.get(), row);
                level->insert(pos, folder);
                c.endInsertFolder();
                if (n == 1) {
                    addFile(c, folder, rest);
                    save(c, folder);
                    folder->isLeaf = true;
                    c.folderByTreePath_.insert(path.left(lastSlash), folder.get());
                    reload(c);
                    return;
                }
            }
            head = PRAppTreeController::SubstringToCh(rest, '/');
            rest = PRAppTreeController::SubstringFromCh(rest, '/');
            level = &folder->mutableChildren();
            parent = folder;
            if (head.isNull()) return;
        }
    }
};

template <>
std::vector<PRCleanDirNodePtr>& TreeWalk<PRCleanDirNode>::top(PRAppTreeController& c) {
    return c.cleanContent_;
}
template <>
std::vector<PRAppDirTreeNodePtr>& TreeWalk<PRAppDirTreeNode>::top(PRAppTreeController& c) {
    return c.appContent_;
}

template <>
void TreeWalk<PRCleanDirNode>::fillNewFolder(PRAppTreeController&, PRCleanDirNode&) {}
template <>
void TreeWalk<PRAppDirTreeNode>::fillNewFolder(PRAppTreeController& c, PRAppDirTreeNode& folder) {
    folder.appDisplayName = c.currentDisplayName;
    folder.filePath = c.nodeFullPath;
}

template <>
void TreeWalk<PRCleanDirNode>::addFile(PRAppTreeController& c, const PRCleanDirNodePtr& folder, const QString& name) {
    c.addFileNode(folder, name, true);
}
template <>
void TreeWalk<PRAppDirTreeNode>::addFile(PRAppTreeController& c, const PRAppDirTreeNodePtr& folder,
                                         const QString& name) {
    c.addFileNode(folder, name);
}

template <>
void TreeWalk<PRCleanDirNode>::save(PRAppTreeController& c, const PRCleanDirNodePtr& folder) {
    c.SaveDirArray(folder, true);
}
template <>
void TreeWalk<PRAppDirTreeNode>::save(PRAppTreeController& c, const PRAppDirTreeNodePtr& folder) {
    c.SaveDirArray(folder);
}

template <>
void TreeWalk<PRCleanDirNode>::reload(PRAppTreeController& c) {
    c.reloadOutLineDatawithClean(true);
}
template <>
void TreeWalk<PRAppDirTreeNode>::reload(PRAppTreeController& c) {
    c.reloadOutLineData();
}

PRAppTreeController::PRAppTreeController(QObject* parent) : QAbstractItemModel(parent), collator_(collationLocale()) {}

PRAppTreeController::~PRAppTreeController() = default;

QString PRAppTreeController::SubstringToCh(const QString& text, QChar ch) {
    const int at = text.indexOf(ch);
    return at < 0 ? QString() : text.left(at);
}

QString PRAppTreeController::SubstringFromCh(const QString& text, QChar ch) {
    const int at = text.indexOf(ch);
    if (at < 0 || at + 1 >= text.size()) return QString();
    return text.mid(at + 1);
}

void PRAppTreeController::initData() {
    fileDirArray.clear();
    savedByPath_.clear();
}

QString PRAppTreeController::treePathOf(const QString& displayName) const {
    QString path = displayName + nodeFullPath;
    path.replace(QStringLiteral("/."), QStringLiteral("/"));
    return path;
}

// ---- App set ------------------------------------------------------------------------------

void PRAppTreeController::addTreeNode(const PRAppDirTreeNodePtr& record) {
    if (!record) return;
    kind_ = Kind::App;
    nodeFullPath = record->filePath;
    currentNodeBundleName = record->appBundleName;
    currentDisplayName = record->appDisplayName;
    nodeFileSize = record->fileSize;
    QString path = treePathOf(record->appDisplayName);
    if (path.isEmpty()) return;
    // A folder ("DIR") becomes a row of its own, also when nothing lies in it: its path ends in
    // "/", so that the walk makes every folder of it and files nothing (an app's own record,
    // "/", is such a path already).
    const bool folder = record->fileType == QLatin1String("DIR");
    if (folder && !path.endsWith(QLatin1Char('/'))) path += QLatin1Char('/');
    if (PRAppDirTreeNodePtr saved = folder ? nullptr : IsThisDirOrFileFatherHasCreate(record)) {
        addFileNode(saved, lastComponent(path));
        return;
    }
    nodeAppImage = record->appIcon;
    addPathToTreeFolder(path);
}

PRAppDirTreeNodePtr PRAppTreeController::IsThisDirOrFileFatherHasCreate(const PRAppDirTreeNodePtr& record) const {
    if (!record) return nullptr;
    const QString folderPath = record->filePath.left(std::max<qsizetype>(0, record->filePath.lastIndexOf('/')));
    auto it = savedByPath_.constFind(folderPath.isEmpty() && record->filePath.startsWith('/') ? "/" : folderPath);
    if (it == savedByPath_.constEnd() || kind_ != Kind::App) return nullptr;
    return TreeWalk<PRAppDirTreeNode>::pointerTo(*it);
}

void PRAppTreeController::addPathToTreeFolder(const QString& path) { TreeWalk<PRAppDirTreeNode>::walk(*this, path); }

void PRAppTreeController::addFileNode(const PRAppDirTreeNodePtr& folder, const QString& name) {
    auto file = PRAppFileTreeNode::create();
    file->fileName = name;
    const QString ext = extensionOf(name);
    file->fileType = ext.isEmpty() ? name : ext;
    file->fileSize = nodeFileSize;
    file->filePath = nodeFullPath;
    file->appBundleName = currentNodeBundleName;
    file->appDisplayName = currentDisplayName;
    file->parent = folder;
    folder->addFileChildren(std::move(file));
}

void PRAppTreeController::SaveDirArray(const PRAppDirTreeNodePtr& folder) {
    fileDirArray.push_back(folder);
    if (!savedByPath_.contains(folder->filePath)) savedByPath_.insert(folder->filePath, folder.get());
}

void PRAppTreeController::reloadOutLineData() {
    BRefreshTreeFlag = true;
    BRefreshTreeFlag = false;
    ++reloadCount_;
    if (refreshOutlineHandler_) refreshOutlineHandler_();
}

// ---- Clean set ----------------------------------------------------------------------------

void PRAppTreeController::addTreeNode(const PRCleanDirNodePtr& record, bool withClean) {
    if (!record) return;
    kind_ = Kind::Clean;
    nodeFullPath = record->filePath;
    nodeFileSize = record->fileSize;
    nodeFileType = record->fileType;
    nodeFileSizeNumber = record->fileSizeNumber;
    currentNodeBundleName = record->appBundleName;
    const QString path = treePathOf(record->appDisplayName);
    if (path.isEmpty()) return;
    if (PRCleanDirNodePtr saved = IsThisDirOrFileFatherHasCreate(record, withClean)) {
        addFileNode(saved, lastComponent(path), withClean);
        return;
    }
    nodeAppImage = record->nodeIcon;
    addPathToTreeFolder(path, withClean);
}

PRCleanDirNodePtr PRAppTreeController::IsThisDirOrFileFatherHasCreate(const PRCleanDirNodePtr& record, bool) const {
    if (!record || kind_ != Kind::Clean) return nullptr;
    const QString folderPath = record->filePath.left(std::max<qsizetype>(0, record->filePath.lastIndexOf('/')));
    auto it = savedByPath_.constFind(folderPath.isEmpty() && record->filePath.startsWith('/') ? "/" : folderPath);
    if (it == savedByPath_.constEnd()) return nullptr;
    return TreeWalk<PRCleanDirNode>::pointerTo(*it);
}

void PRAppTreeController::addPathToTreeFolder(const QString& path, bool) {
    TreeWalk<PRCleanDirNode>::walk(*this, path);
}

void PRAppTreeController::addFileNode(const PRCleanDirNodePtr& folder, const QString& name, bool) {
    auto file = PRCleanFileNode::create();
    file->fileName = name;
    const QString ext = extensionOf(name);
    file->fileType = ext.isEmpty() ? name : ext;
    file->fileSize = nodeFileSize;
    file->fileSizeNumber = nodeFileSizeNumber;
    file->filePath = nodeFullPath;
    file->appBundleName = currentNodeBundleName;
    file->parent = folder;
    folder->addFileChildren(std::move(file));
}

void PRAppTreeController::SaveDirArray(const PRCleanDirNodePtr& folder, bool) {
    fileDirArray.push_back(folder);
    if (!savedByPath_.contains(folder->filePath)) savedByPath_.insert(folder->filePath, folder.get());
}

void PRAppTreeController::reloadOutLineDatawithClean(bool) { reloadOutLineData(); }

// ---- Content ------------------------------------------------------------------------------

void PRAppTreeController::removeAllContent() {
    beginResetModel();
    appContent_.clear();
    cleanContent_.clear();
    fileDirArray.clear();
    savedByPath_.clear();
    folderByTreePath_.clear();
    kind_ = Kind::None;
    endResetModel();
}

namespace {
// Drops the folders of level that hold no file, below them either; collects what went.
void dropEmptyFolders(std::vector<PRCleanDirNodePtr>& level, std::unordered_set<const NSObject*>& gone) {
    std::vector<PRCleanDirNodePtr> kept;
    for (const auto& folder : level) {
        dropEmptyFolders(folder->mutableChildren(), gone);
        if (folder->fileChildren().empty() && folder->children().empty())
            gone.insert(folder.get());
        else
            kept.push_back(folder);
    }
    level = std::move(kept);
}
}  // namespace

int PRAppTreeController::removeEmptyCleanFolders() {
    if (kind_ != Kind::Clean) return 0;
    std::unordered_set<const NSObject*> gone;
    beginResetModel();
    dropEmptyFolders(cleanContent_, gone);
    // The look-ups must not keep the folders that went.
    for (auto it = savedByPath_.begin(); it != savedByPath_.end();)
        it = gone.count(it.value()) ? savedByPath_.erase(it) : std::next(it);
    for (auto it = folderByTreePath_.begin(); it != folderByTreePath_.end();)
        it = gone.count(it.value()) ? folderByTreePath_.erase(it) : std::next(it);
    std::erase_if(fileDirArray, [&](const NSObjectPtr& folder) { return gone.count(folder.get()) > 0; });
    endResetModel();
    if (!gone.empty() && refreshOutlineHandler_) refreshOutlineHandler_();
    return int(gone.size());
}

PRCleanDirNodePtr PRAppTreeController::cleanNodeForIndex(const QModelIndex& index) const {
    if (!index.isValid() || kind_ != Kind::Clean) return nullptr;
    return TreeWalk<PRCleanDirNode>::pointerTo(static_cast<NSObject*>(index.internalPointer()));
}

PRAppDirTreeNodePtr PRAppTreeController::appNodeForIndex(const QModelIndex& index) const {
    if (!index.isValid() || kind_ != Kind::App) return nullptr;
    return TreeWalk<PRAppDirTreeNode>::pointerTo(static_cast<NSObject*>(index.internalPointer()));
}

// ---- Model --------------------------------------------------------------------------------

namespace {

template <class Dir>
const std::vector<std::shared_ptr<Dir>>& levelOf(const Dir* folder, const std::vector<std::shared_ptr<Dir>>& top) {
    return folder ? folder->children() : top;
}

template <class Dir>
int rowIn(const std::vector<std::shared_ptr<Dir>>& level, const NSObject* folder) {
    for (size_t i = 0; i < level.size(); ++i)
        if (level[i].get() == folder) return int(i);
    return -1;
}

}  // namespace

void PRAppTreeController::beginInsertFolder(const NSObject* parentFolder, int row) {
    BRefreshTreeFlag = true;
    beginInsertRows(parentFolder ? indexOfFolder(parentFolder) : QModelIndex(), row, row);
}

void PRAppTreeController::endInsertFolder() {
    endInsertRows();
    BRefreshTreeFlag = false;
}

QModelIndex PRAppTreeController::indexOfFolder(const NSObject* folder) const {
    if (!folder) return {};
    int row = -1;
    if (kind_ == Kind::Clean) {
        auto f = static_cast<const PRCleanDirNode*>(folder);
        auto p = f->parent.lock();
        row = rowIn(levelOf<PRCleanDirNode>(p.get(), cleanContent_), folder);
    } else {
        auto f = static_cast<const PRAppDirTreeNode*>(folder);
        auto p = f->parent.lock();
        row = rowIn(levelOf<PRAppDirTreeNode>(p.get(), appContent_), folder);
    }
    return row < 0 ? QModelIndex() : createIndex(row, 0, const_cast<NSObject*>(folder));
}

QModelIndex PRAppTreeController::index(int row, int column, const QModelIndex& parent) const {
    if (column != 0 || row < 0) return {};
    NSObject* p = parent.isValid() ? static_cast<NSObject*>(parent.internalPointer()) : nullptr;
    if (kind_ == Kind::Clean) {
        const auto& level = levelOf<PRCleanDirNode>(static_cast<PRCleanDirNode*>(p), cleanContent_);
        if (row >= int(level.size())) return {};
        return createIndex(row, 0, static_cast<NSObject*>(level[row].get()));
    }
    if (kind_ == Kind::App) {
        const auto& level = levelOf<PRAppDirTreeNode>(static_cast<PRAppDirTreeNode*>(p), appContent_);
        if (row >= int(level.size())) return {};
        return createIndex(row, 0, static_cast<NSObject*>(level[row].get()));
    }
    return {};
}

QModelIndex PRAppTreeController::parent(const QModelIndex& child) const {
    if (!child.isValid()) return {};
    NSObject* node = static_cast<NSObject*>(child.internalPointer());
    if (kind_ == Kind::Clean) return indexOfFolder(static_cast<PRCleanDirNode*>(node)->parent.lock().get());
    if (kind_ == Kind::App) return indexOfFolder(static_cast<PRAppDirTreeNode*>(node)->parent.lock().get());
    return {};
}

int PRAppTreeController::rowCount(const QModelIndex& parent) const {
    if (parent.column() > 0) return 0;
    NSObject* p = parent.isValid() ? static_cast<NSObject*>(parent.internalPointer()) : nullptr;
    if (kind_ == Kind::Clean)
        return int(levelOf<PRCleanDirNode>(static_cast<PRCleanDirNode*>(p), cleanContent_).size());
    if (kind_ == Kind::App)
        return int(levelOf<PRAppDirTreeNode>(static_cast<PRAppDirTreeNode*>(p), appContent_).size());
    return 0;
}

int PRAppTreeController::columnCount(const QModelIndex&) const { return 1; }

QVariant PRAppTreeController::data(const QModelIndex& index, int role) const {
    if (!index.isValid()) return {};
    NSObject* node = static_cast<NSObject*>(index.internalPointer());
    QString name;
    QImage icon;
    if (kind_ == Kind::Clean) {
        auto f = static_cast<PRCleanDirNode*>(node);
        name = f->fileDirName;
        icon = f->nodeIcon;
    } else if (kind_ == Kind::App) {
        auto f = static_cast<PRAppDirTreeNode*>(node);
        name = f->fileDirName;
        icon = f->nodeIcon;
    }
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) return name;
    // An icon, so that the outline draws every image at its own icon size.
    if (role == Qt::DecorationRole && !icon.isNull()) return QIcon(QPixmap::fromImage(icon));
    return {};
}

QVariant PRAppTreeController::headerData(int section, Qt::Orientation orientation, int role) const {
    if (section != 0 || orientation != Qt::Horizontal) return {};
    if (role == Qt::DisplayRole) return tr("Name");
    if (role == Qt::UserRole) return QString::fromLatin1(kColumnIdentifier);
    return {};
}
