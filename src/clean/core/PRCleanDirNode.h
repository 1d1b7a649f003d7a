// Folder and file nodes of the clean trees. A scan also uses the folder class as its flat
// record of one file found on the device (path, size, owning app); the tree controller turns
// those records into folders and file entries.
#pragma once

#include "platform/NSObject.h"

#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class PRCleanDirNode;
class PRCleanFileNode;
using PRCleanDirNodePtr = std::shared_ptr<PRCleanDirNode>;
using PRCleanFileNodePtr = std::shared_ptr<PRCleanFileNode>;

class PRCleanDirNode : public NSObject, public std::enable_shared_from_this<PRCleanDirNode> {
public:
    PRCleanDirNode();
    static PRCleanDirNodePtr create() { return std::make_shared<PRCleanDirNode>(); }

    // The enclosing folder; held weakly so that a tree frees itself when its content goes.
    std::weak_ptr<PRCleanDirNode> parent;
    QString filePath;     // device path of a record; empty on folders the tree controller makes
    QString fileSize;     // size text
    QString fileType;     // "DIR" or "FILE" on scan records
    QString fileDirName;  // name shown in the outline and compared when sorting
    bool isFile = false;
    bool isLeaf = false;    // no sub-folders
    QImage nodeIcon;        // the "folder" image, or the app's icon on an app's top folder
    QString appBundleName;  // bundle identifier of the owning app (empty: the media area)
    QString appDisplayName;
    QString cleanType;  // "Junk", "Cache" or "Cook": the category folder a folder removal empties
    QString fileName;
    uint64_t fileSizeNumber = 0;

    const std::vector<PRCleanDirNodePtr>& children() const { return children_; }
    const std::vector<PRCleanFileNodePtr>& fileChildren() const { return fileChildren_; }
    void setChildren(std::vector<PRCleanDirNodePtr> children) { children_ = std::move(children); }
    void setFileChildren(std::vector<PRCleanFileNodePtr> files) { fileChildren_ = std::move(files); }
    void addFileChildren(PRCleanFileNodePtr file) { fileChildren_.push_back(std::move(file)); }
    // For the tree controller, which keeps each level sorted as it inserts.
    std::vector<PRCleanDirNodePtr>& mutableChildren() { return children_; }
    // Removes one file entry (by identity); false when it is not a child of this folder.
    bool removeFileChild(const PRCleanFileNode* file);

private:
    std::vector<PRCleanDirNodePtr> children_;
    std::vector<PRCleanFileNodePtr> fileChildren_;
};

class PRCleanFileNode : public NSObject {
public:
    static PRCleanFileNodePtr create() { return std::make_shared<PRCleanFileNode>(); }

    std::weak_ptr<PRCleanDirNode> parent;
    QString filePath;
    QString fileName;
    QString fileSize;  // size text; for a file directly in the sync folder the plain byte count
    QString fileType;
    QString appBundleName;   // empty for a file of the media area
    bool btransfer = false;  // a local copy exists at transferPath
    QString transferPath;
    // The exact byte count behind fileSize, so that removals subtract what was found.
    uint64_t fileSizeNumber = 0;
};
