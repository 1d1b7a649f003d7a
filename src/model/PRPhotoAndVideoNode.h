// One photo, video or audio file found on the device or in a backup.
#pragma once

#include "model/PRRecord.h"

#define PR_PHOTO_AND_VIDEO_NODE_FIELDS(X)                 \
    X(std::string, fileNodeName, setFileNodeName, {})     \
    X(std::string, fileNodeSize, setFileNodeSize, {})     \
    X(std::string, filePath, setFilePath, {})             \
    X(std::string, fileType, setFileType, {})             \
    X(std::string, fileModifyTime, setFileModifyTime, {}) \
    X(bool, bmov, setBmov, false)                         \
    X(bool, bSelected, setBSelected, false)               \
    X(uint64_t, fileSizeNumber, setFileSizeNumber, 0)     \
    X(bool, bhasCopy, setBhasCopy, false)

class PRPhotoAndVideoNode final : public PRRecord {
    PR_RECORD(PRPhotoAndVideoNode, PR_PHOTO_AND_VIDEO_NODE_FIELDS)
};

using PRPhotoAndVideoNodePtr = std::shared_ptr<PRPhotoAndVideoNode>;
