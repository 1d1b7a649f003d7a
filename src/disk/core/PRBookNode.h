// One purchased book on the device, as the disk manager lists it.
#pragma once

#include "model/PRRecord.h"

#define PR_BOOK_NODE_FIELDS(X)                \
    X(bool, bSelected, setBSelected, false)   \
    X(std::string, filePath, setFilePath, {}) \
    X(std::string, fileType, setFileType, {}) \
    X(std::string, bookName, setBookName, {}) \
    X(PRBytes, imageIcon, setImageIcon, nullptr) /* the artwork's bytes as the device holds them */

class PRBookNode final : public PRRecord {
    PR_RECORD(PRBookNode, PR_BOOK_NODE_FIELDS)
};

using PRBookNodePtr = std::shared_ptr<PRBookNode>;
