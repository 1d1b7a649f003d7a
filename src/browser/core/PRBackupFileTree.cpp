#include "browser/core/PRBackupFileTree.h"

#include "model/PRRecordFields.h"

#include <QString>
#include <algorithm>
#include <fcntl.h>
#include <unistd.h>

namespace {

std::string withoutDotSteps(const std::string& path) {
    // Every "/." becomes "/" (a name that begins with a dot loses the dot), in one pass.
    std::string out;
    out.reserve(path.size());
    for (size_t i = 0; i < path.size(); ++i) {
        out += path[i];
        if (path[i] == '/' && i + 1 < path.size() && path[i + 1] == '.') ++i;
    }
    return out;
}

void appendComponents(const std::string& path, std::vector<std::string>& into) {
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find('/', start);
        if (end == std::string::npos) end = path.size();
        if (end > start) into.emplace_back(path, start, end - start);  // "a//b" names no empty folder
        start = end + 1;
    }
}

bool sortsBefore(const std::string& a, const std::string& b) {
    return QString::localeAwareCompare(QString::fromStdString(a), QString::fromStdString(b)) < 0;
}

void setState(PRTreeDirNode& folder, int state) {
    folder.setIsSelected(state);
    folder.setNodeIcon(PRBackupFileTree::iconFor(state));
}

void pushDown(PRTreeDirNode& folder, int state) {
    setState(folder, state);
    for (const PRTreeFileNodePtr& file : folder.fileChildren()) file->setBSelected(state == PRTreeSelected);
    for (const PRTreeDirNodePtr& child : folder.children()) pushDown(*child, state);
}

// Recomputes folder and every folder above it from what they hold.
void refreshUpward(PRTreeDirNodePtr folder) {
    for (; folder; folder = folder->parent()) setState(*folder, PRBackupFileTree::derivedState(*folder));
}

}  // namespace

const char* PRBackupFileTree::iconFor(int state) {
    switch (state) {
    case PRTreeSelected: return "selected";
    case PRTreeSelectedSome: return "selectedSome";
    default: return "unselected";
    }
}

bool PRBackupFileTree::addTreeNode(const PRTreeDirNode& record, const std::string& deviceName) {
    if (deviceName.empty()) return false;
    const std::string rel = withoutDotSteps(record.filePath());
    const std::string full = record.fileDomain() + "/" + rel;

    std::vector<std::string> components;
    appendComponents(deviceName, components);
    const size_t deviceParts = components.size();
    std::vector<std::string> path;
    appendComponents(rel, path);
    if (path.empty()) {
        // A file record without a path is listed in its domain under a name of its own, so that
        // its recovery is a failure with its reason rather than nothing at all.
        if (record.isFolderRecord()) return false;
        appendComponents(record.fileDomain(), components);
        addFileNode(folderFor(components), kNoPathName, record.fileKey(), {}, record.fileMode());
        ++backupfiles_;
        return true;
    }
    appendComponents(full, components);
    if (deviceParts == 0 || components.size() < deviceParts + 1) return false;
    // The component right below the device folder (the domain) never begins with a dot.
    if (components.size() > deviceParts + 1 && components[deviceParts].size() > 1 && components[deviceParts][0] == '.')
        components[deviceParts].erase(0, 1);

    if (record.isFolderRecord()) {
        // A folder is a folder of the tree, never a row among the files it holds.
        folderFor(components);
        ++backupfiles_;
        return true;
    }
    const std::string name = components.back();
    components.pop_back();
    // Most records land in a folder made already: one look-up of its whole path finds it.
    std::string folderKey;
    for (const std::string& part : components) {
        if (!folderKey.empty()) folderKey += '/';
        folderKey += part;
    }
    auto made = folders_.find(folderKey);
    const PRTreeDirNodePtr folder = made != folders_.end() ? made->second : folderFor(components);
    addFileNode(folder, name, record.fileKey(), full, record.fileMode());
    // A new unchecked row changes the marks only of folders that had some.
    for (PRTreeDirNodePtr up = folder; up; up = up->parent())
        if (up->isSelected() != PRTreeUnselected) {
            refreshUpward(folder);
            break;
        }
    ++backupfiles_;
    return true;
}

PRTreeDirNodePtr PRBackupFileTree::folderFor(const std::vector<std::string>& components) {
    PRTreeDirNodePtr parent;
    std::string key;
    for (const std::string& part : components) {
        if (!key.empty()) key += '/';
        key += part;
        auto found = folders_.find(key);
        if (found != folders_.end()) {
            parent = found->second;
            continue;
        }
        auto folder = std::make_shared<PRTreeDirNode>();
        folder->setFileName(part);
        folder->setIsLeaf(true);  // until a sub-folder is placed below it
        std::vector<PRTreeDirNodePtr>& level = parent ? parent->children() : roots_;
        auto at = std::upper_bound(
            level.begin(), level.end(), part,
            [](const std::string& n, const PRTreeDirNodePtr& f) { return sortsBefore(n, f->fileName()); });
        level.insert(at, folder);
        if (parent) {
            folder->setParent(parent);
            parent->setIsLeaf(false);
        }
        folders_.emplace(key, folder);
        parent = folder;
    }
    return parent;
}

void PRBackupFileTree::addFileNode(const PRTreeDirNodePtr& folder, const std::string& name, const std::string& key,
                                   const std::string& dirFilePath, int fileMode) {
    auto file = std::make_shared<PRTreeFileNode>();
    file->setTreefileName(name);
    const size_t dot = name.rfind('.');
    file->setTreefileType(dot != std::string::npos && dot > 0 && dot + 1 < name.size() ? name.substr(dot + 1) : name);
    struct stat info {};
    if (statDataFile(key, info)) {
        const uint64_t size = static_cast<uint64_t>(info.st_size);
        file->setRealFileSize(size);
        file->setFileSize(sizeText(size));
        file->setIsFile(S_ISREG(info.st_mode));
    }
    file->setDirFilePath(dirFilePath);
    file->setFileMode(fileMode);
    file->setFilePath(key);
    file->setParent(folder);
    folder->addFileChildren(std::move(file));
}

PRBackupFileTree::~PRBackupFileTree() {
    if (statFolderFd_ >= 0) ::close(statFolderFd_);
}

bool PRBackupFileTree::statDataFile(const std::string& key, struct stat& info) {
    const size_t slash = key.rfind('/');
    if (key.empty() || slash == std::string::npos || slash + 1 == key.size())
        return !key.empty() && ::lstat(key.c_str(), &info) == 0;
    if (key.compare(0, slash, statFolder_) != 0 || statFolder_.size() != slash) {
        if (statFolderFd_ >= 0) ::close(statFolderFd_);
        statFolder_.assign(key, 0, slash);
        statFolderFd_ = ::open(statFolder_.empty() ? "/" : statFolder_.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    }
    if (statFolderFd_ < 0) return false;
    return ::fstatat(statFolderFd_, key.c_str() + slash + 1, &info, AT_SYMLINK_NOFOLLOW) == 0;
}

int PRBackupFileTree::derivedState(const PRTreeDirNode& folder) {
    bool checked = false, unchecked = false;
    for (const PRTreeFileNodePtr& file : folder.fileChildren()) {
        (file->bSelected() ? checked : unchecked) = true;
        if (checked && unchecked) return PRTreeSelectedSome;
    }
    for (const PRTreeDirNodePtr& child : folder.children()) {
        const int state = child->isSelected();
        if (state == PRTreeSelectedSome) return PRTreeSelectedSome;
        (state == PRTreeSelected ? checked : unchecked) = true;
        if (checked && unchecked) return PRTreeSelectedSome;
    }
    if (checked) return PRTreeSelected;
    if (unchecked) return PRTreeUnselected;
    return folder.isSelected();
}

void PRBackupFileTree::setFolderState(const PRTreeDirNodePtr& folder, int state) {
    if (!folder) return;
    pushDown(*folder, state == PRTreeSelected ? PRTreeSelected : PRTreeUnselected);
    refreshUpward(folder->parent());
}

void PRBackupFileTree::toggleFolder(const PRTreeDirNodePtr& folder) {
    if (folder) setFolderState(folder, NewStateAfterChangeState(folder->isSelected()));
}

void PRBackupFileTree::setFileState(const PRTreeFileNodePtr& file, bool selected) {
    if (!file) return;
    file->setBSelected(selected);
    refreshUpward(file->parent());
}

void PRBackupFileTree::refreshAncestors(const PRTreeDirNodePtr& folder) {
    if (folder) refreshUpward(folder->parent());
}

uint64_t PRBackupFileTree::getNumSelectedItem(const PRTreeDirNode& folder) {
    uint64_t count = 0;
    for (const PRTreeFileNodePtr& file : folder.fileChildren()) count += file->bSelected() ? 1 : 0;
    for (const PRTreeDirNodePtr& child : folder.children()) {
        // An unchecked folder holds no checked row: its state is derived from them.
        if (child->isSelected() != PRTreeUnselected) count += getNumSelectedItem(*child);
    }
    return count;
}

uint64_t PRBackupFileTree::getTreeSelectedItemNum() const {
    uint64_t count = 0;
    for (const PRTreeDirNodePtr& root : roots_)
        if (root->isSelected() != PRTreeUnselected) count += getNumSelectedItem(*root);
    return count;
}
