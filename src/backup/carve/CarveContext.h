// What a carver takes from the application's shared state: the backup's schema flags, the
// contact-name look-up, the journal folding of database files, the notification centre, and
// the arrays the carvers add to (the application owns them and makes them afresh per scan).
#pragma once

#include "model/PRContactNode.h"
#include "model/PRMessageNode.h"
#include "model/PRNoteNode.h"
#include "model/PRRecord.h"
#include "platform/NotificationCenter.h"

#include <functional>
#include <string>
#include <vector>

namespace carve {

struct CarveArrays {
    std::vector<PRContactNodePtr> delContactArray;
    std::vector<DelContactValuePtr> delContactValueArray;
    std::vector<PRContactNodePtr> delUnKnowContactArray;
    std::vector<std::shared_ptr<PRChatMessageNode>> chatMessageArray;
    std::vector<PRMessageNodePtr> messageArray;
    std::vector<std::shared_ptr<PRNoteNode>> noteArray;
    std::vector<std::shared_ptr<PRNoteValueNode>> noteValueArray;
};

struct CarveContext {
    // The browsed backup uses the newer database schemas (iOS 6 and later).
    bool currentNodeIsiOS6Version = false;
    // The browsed backup comes from an iOS 7 device.
    bool bIOS7DeviceNode = false;
    // Contact name for a phone number; nil when no contact matches. Unset: always nil.
    std::function<PROptionalText(const std::string&)> getNameByPhoneNumber;
    // Folds a database's write-ahead journal into the file before it is read. Unset: nothing.
    std::function<void(const std::string&)> commitDB;
    // Where the carvers post their records and progress.
    NSNotificationCenter* nc = &NSNotificationCenter::defaultCenter();
    // The log line of a missing database. Unset: standard error.
    std::function<void(const std::string&)> log;
    // The application's arrays the carvers add to; must be set before a carver runs.
    CarveArrays* arrays = nullptr;

    std::string nameFor(const std::string& phone) const;
    void writeLog(const std::string& line) const;
};

}  // namespace carve
