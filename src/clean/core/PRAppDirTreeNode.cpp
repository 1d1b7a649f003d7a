#include "clean/core/PRAppDirTreeNode.h"

#include "platform/Images.h"

PRAppDirTreeNode::PRAppDirTreeNode() : nodeIcon(images::imageNamed("folder")) {}
