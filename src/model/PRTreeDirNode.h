// The backup-file tree: a folder node (also the form in which the manifest reader hands over
// each file record) and a file row of the browser's file table.
#pragma once

#include "model/PRRecord.h"

class PRTreeDirNode;

#define PR_TREE_FILE_NODE_FIELDS(X)                   \
    X(PROptionalText, filePath, setFilePath, {})      \
    X(std::string, dirFilePath, setDirFilePath, {})   \
    X(std::string, treefileName, setTreefileName, {}) \
    X(PROptionalText, fileSize, setFileSize, {})      \
    X(std::string, treefileType, setTreefileType, {}) \
    X(bool, bSelected, setBSelected, false)           \
    X(uint64_t, realFileSize, setRealFileSize, 0)     \
    X(bool, isFile, setIsFile, false)                 \
    X(int, fileMode, setFileMode, 0)

class PRTreeFileNode final : public PRRecord {
    PR_RECORD(PRTreeFileNode, PR_TREE_FILE_NODE_FIELDS)
    // The folder holding the file; not owned, so a folder and its rows never keep each other alive.
    std::shared_ptr<PRTreeDirNode> parent() const { return parent_.lock(); }
    void setParent(const std::shared_ptr<PRTreeDirNode>& parent) { parent_ = parent; }

private:
    std::weak_ptr<PRTreeDirNode> parent_;
};

using PRTreeFileNodePtr = std::shared_ptr<PRTreeFileNode>;
using PRTreeDirNodePtr = std::shared_ptr<PRTreeDirNode>;

// Tick states of a folder and the images that show them.
enum PRTreeSelection { PRTreeUnselected = 0, PRTreeSelected = 1, PRTreeSelectedSome = 2 };

#define PR_TREE_DIR_NODE_FIELDS(X)                                       \
    X(std::string, filePath, setFilePath, {})                            \
    X(std::string, fileKey, setFileKey, {})                              \
    X(std::string, fileName, setFileName, {})                            \
    X(std::string, fileDomain, setFileDomain, {})                        \
    X(bool, isLeaf, setIsLeaf, false)                                    \
    X(std::vector<PRTreeDirNodePtr>, children, setChildren, {})          \
    X(std::vector<PRTreeFileNodePtr>, fileChildren, setFileChildren, {}) \
    X(std::string, nodeIcon, setNodeIcon, "unselected")                  \
    X(int, isSelected, setIsSelected, PRTreeUnselected)                  \
    X(int, fileMode, setFileMode, 0)

// fileMode is the record's type and permission bits as the backup's manifest gives them (0 when
// not known): whether it is a folder, a file or a link is the manifest's to say, not the data
// file's, which a link record and a folder record do not have.
//
// nodeIcon holds the name of the tick image ("unselected", "selected", "selectedSome"); the
// page that draws the tree looks the image up by that name.
class PRTreeDirNode final : public PRRecord, public std::enable_shared_from_this<PRTreeDirNode> {
    PR_RECORD(PRTreeDirNode, PR_TREE_DIR_NODE_FIELDS)
    std::vector<PRTreeDirNodePtr>& children() { return children_; }
    // Whether the manifest names this record a folder rather than a file.
    bool isFolderRecord() const { return (fileMode() & 0xF000) == 0x4000; }
    std::vector<PRTreeFileNodePtr>& fileChildren() { return fileChildren_; }
    void addFileChildren(PRTreeFileNodePtr file) { fileChildren_.push_back(std::move(file)); }

    // The enclosing folder; not owned (the folder owns its sub-folders).
    PRTreeDirNodePtr parent() const { return parent_.lock(); }
    void setParent(const PRTreeDirNodePtr& parent) { parent_ = parent; }

private:
    std::weak_ptr<PRTreeDirNode> parent_;
};
