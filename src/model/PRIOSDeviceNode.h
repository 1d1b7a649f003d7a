// One iTunes backup found on this computer.
#pragma once

#include "model/PRRecord.h"

// deviceImage holds the name of the model picture ("ipad" or "iphone"); the page that shows
// the list looks the image up by that name.
#define PR_IOS_DEVICE_NODE_FIELDS(X)                                \
    X(std::string, strDeviceName, setStrDeviceName, {})             \
    X(std::string, strDeviceSize, setStrDeviceSize, {})             \
    X(std::string, strDeviceBackUpTime, setStrDeviceBackUpTime, {}) \
    X(std::string, strDeviceSerial, setStrDeviceSerial, {})         \
    X(std::string, strDeviceType, setStrDeviceType, {})             \
    X(std::string, strIOSVersion, setStrIOSVersion, {})             \
    X(std::string, deviceImage, setDeviceImage, {})                 \
    X(std::string, itunesVersion, setItunesVersion, {})             \
    X(std::string, backUpFilePath, setBackUpFilePath, {})

class PRIOSDeviceNode final : public PRRecord {
    PR_RECORD(PRIOSDeviceNode, PR_IOS_DEVICE_NODE_FIELDS)
};

using PRIOSDeviceNodePtr = std::shared_ptr<PRIOSDeviceNode>;
