#include "clean/core/PRCleanDirNode.h"

#include "platform/Images.h"

#include <algorithm>

PRCleanDirNode::PRCleanDirNode() : nodeIcon(images::imageNamed("folder")) {}

bool PRCleanDirNode::removeFileChild(const PRCleanFileNode* file) {
    auto it = std::find_if(fileChildren_.begin(), fileChildren_.end(),
                           [file](const PRCleanFileNodePtr& f) { return f.get() == file; });
    if (it == fileChildren_.end()) return false;
    fileChildren_.erase(it);
    return true;
}
