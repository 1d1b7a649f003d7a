#include "clean/core/PRPhoneSystemDirNode.h"

#include "platform/Images.h"

PRPhoneSystemDirNode::PRPhoneSystemDirNode() : filePath(""), fileDirName(""), nodeIcon(images::imageNamed("folder")) {}
