// Nodes of the device's own file system as the file service shows it: folders of the device
// file browser's outline and file entries of its table and of the system-boost lists.
#pragma once

#include "platform/NSObject.h"

#include <QImage>
#include <QString>
#include <cstdint>
#include <memory>
#include <vector>

class PRPhoneSystemDirNode;
class PRPhoneSystemFileNode;
using PRPhoneSystemDirNodePtr = std::shared_ptr<PRPhoneSystemDirNode>;
using PRPhoneSystemFileNodePtr = std::shared_ptr<PRPhoneSystemFileNode>;

class PRPhoneSystemDirNode : public NSObject, public std::enable_shared_from_this<PRPhoneSystemDirNode> {
public:
    PRPhoneSystemDirNode();
    static PRPhoneSystemDirNodePtr create() { return std::make_shared<PRPhoneSystemDirNode>(); }

    std::weak_ptr<PRPhoneSystemDirNode> parent;
    QString filePath;
    std::string deviceBytes;  // the device's own bytes of filePath, where it is not valid text
    QString fileSize;         // null until set
    QString fileType;         // null until set
    QString fileDirName;
    bool isFile = false;
    bool isLeaf = false;
    QImage nodeIcon;
    uint64_t fileSizeNumber = 0;

    const std::vector<PRPhoneSystemDirNodePtr>& children() const { return children_; }
    const std::vector<PRPhoneSystemFileNodePtr>& fileChildren() const { return fileChildren_; }
    void setChildren(std::vector<PRPhoneSystemDirNodePtr> children) { children_ = std::move(children); }
    void setFileChildren(std::vector<PRPhoneSystemFileNodePtr> files) { fileChildren_ = std::move(files); }
    void addFileChildren(PRPhoneSystemFileNodePtr file) { fileChildren_.push_back(std::move(file)); }

private:
    std::vector<PRPhoneSystemDirNodePtr> children_;
    std::vector<PRPhoneSystemFileNodePtr> fileChildren_;
};

class PRPhoneSystemFileNode : public NSObject {
public:
    static PRPhoneSystemFileNodePtr create() { return std::make_shared<PRPhoneSystemFileNode>(); }

    std::weak_ptr<PRPhoneSystemDirNode> parent;
    QString filePath{""};
    std::string deviceBytes;  // the device's own bytes of filePath, where it is not valid text
    QString fileName{""};
    QString fileSize{""};
    QString fileType{""};
    bool btransfer = false;
    QString transferPath{""};
    uint64_t fileSizeNumber = 0;
};

// The path the device knows an entry by: its own bytes where the shown path stands in for a name
// that is not valid text (bad bytes shown as U+FFFD), so that every action names that entry.
inline std::string devicePathOf(const PRPhoneSystemFileNode& entry) {
    return entry.deviceBytes.empty() ? entry.filePath.toStdString() : entry.deviceBytes;
}

// The bytes to keep beside a path shown as text: empty when the text says it all.
inline std::string deviceBytesOf(const std::string& path) {
    return QString::fromStdString(path).toStdString() == path ? std::string() : path;
}
