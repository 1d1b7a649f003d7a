// The disk manager's user-data outline in the disk tests: the folder node of a device path.
#pragma once

#include "disk/PRSystemLibTreeController.h"

#include <string>

namespace disktree {

// The folder node of the tree for a device folder path ("/" is the root), or null.
inline PRPhoneSystemDirNodePtr folderAt(const PRSystemLibTreeController& tree, const std::string& devicePath) {
    if (tree.content().empty()) return nullptr;
    PRPhoneSystemDirNodePtr node = tree.content()[0];
    const QString path = QString::fromStdString(devicePath).replace("/.", "/");
    for (const QString& part : path.split('/', Qt::SkipEmptyParts)) {
        PRPhoneSystemDirNodePtr next;
        for (const auto& child : node->children())
            if (child->fileDirName == part) next = child;
        if (!next) return nullptr;
        node = next;
    }
    return node;
}

}  // namespace disktree
