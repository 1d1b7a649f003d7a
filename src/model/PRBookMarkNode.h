// One browser bookmark or history entry.
#pragma once

#include "model/PRRecord.h"

#define PR_BOOK_MARK_NODE_FIELDS(X)                     \
    X(std::string, bookMarkTitle, setBookMarkTitle, {}) \
    X(std::string, bookMarkURL, setBookMarkURL, {})     \
    X(bool, bSelected, setBSelected, false)             \
    X(bool, bDeleted, setBDeleted, false)

class PRBookMarkNode final : public PRRecord {
    PR_RECORD(PRBookMarkNode, PR_BOOK_MARK_NODE_FIELDS)
};

using PRBookMarkNodePtr = std::shared_ptr<PRBookMarkNode>;
