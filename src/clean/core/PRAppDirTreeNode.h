// Folder and file nodes of an app-container tree. The folder class is also the per-app record
// of the app lists (version, sizes, icon) that the disk manager and the transfer page keep.
#pragma once

#include "platform/NSObject.h"

#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class PRAppDirTreeNode;
class PRAppFileTreeNode;
using PRAppDirTreeNodePtr = std::shared_ptr<PRAppDirTreeNode>;
using PRAppFileTreeNodePtr = std::shared_ptr<PRAppFileTreeNode>;

class PRAppDirTreeNode : public NSObject, public std::enable_shared_from_this<PRAppDirTreeNode> {
public:
    PRAppDirTreeNode();
    static PRAppDirTreeNodePtr create() { return std::make_shared<PRAppDirTreeNode>(); }

    std::weak_ptr<PRAppDirTreeNode> parent;  // nil for an app's top folder
    QString filePath;
    QString fileSize;
    QString fileType;
    QString fileDirName;
    bool isFile = false;
    bool isLeaf = false;
    QImage nodeIcon;  // "folder", or the app's icon on an app's top folder
    QImage appIcon;
    QString appBundleName;
    QString appDisplayName;
    bool bExpand = false;
    QString appVersion;
    QString appDocumentSize;
    QString appSize;
    QString appBundleId;
    uint64_t totalAppSizeNumber = 0;

    const std::vector<PRAppDirTreeNodePtr>& children() const { return children_; }
    const std::vector<PRAppFileTreeNodePtr>& fileChildren() const { return fileChildren_; }
    void setChildren(std::vector<PRAppDirTreeNodePtr> children) { children_ = std::move(children); }
    void setFileChildren(std::vector<PRAppFileTreeNodePtr> files) { fileChildren_ = std::move(files); }
    void addFileChildren(PRAppFileTreeNodePtr file) { fileChildren_.push_back(std::move(file)); }
    std::vector<PRAppDirTreeNodePtr>& mutableChildren() { return children_; }

private:
    std::vector<PRAppDirTreeNodePtr> children_;
    std::vector<PRAppFileTreeNodePtr> fileChildren_;
};

class PRAppFileTreeNode : public NSObject {
public:
    static PRAppFileTreeNodePtr create() { return std::make_shared<PRAppFileTreeNode>(); }

    std::weak_ptr<PRAppDirTreeNode> parent;
    QString filePath;
    QString fileName;
    QString fileSize;
    QString fileType;
    QString appBundleName;
    QString appDisplayName;
    bool btransfer = false;
    QString transferPath;
};
