// One file of a social-network app found in a backup.
#pragma once

#include "model/PRRecord.h"

#define PR_FACE_TWITTER_NODE_FIELDS(X)                              \
    X(std::string, faceTwitterFileName, setFaceTwitterFileName, {}) \
    X(std::string, faceTwitterFilePath, setFaceTwitterFilePath, {}) \
    X(std::string, fileSize, setFileSize, {})                       \
    X(bool, bSelected, setBSelected, false)

class PRFaceTwitterNode final : public PRRecord {
    PR_RECORD(PRFaceTwitterNode, PR_FACE_TWITTER_NODE_FIELDS)
};

using PRFaceTwitterNodePtr = std::shared_ptr<PRFaceTwitterNode>;
