// The records of the sample backup, read once for every preview test, and conversations made
// from its messages the way the results screen groups them (by the other party's number).
#pragma once

#include "TestSupport.h"
#include "model/PRContactNode.h"
#include "model/PRMessageNode.h"

#include <QApplication>
#include <memory>
#include <string>
#include <vector>

namespace previewtest {

struct SampleRecords {
    std::string backupFolder;
    std::vector<PRContactNodePtr> contacts;
    std::vector<PRMessageNodePtr> messages;
};
const SampleRecords& sampleRecords();

PRMessageTreeNodePtr conversationOf(const std::vector<PRMessageNodePtr>& messages, const std::string& name);
// n text messages, alternating received and sent.
PRMessageTreeNodePtr textConversation(int n, const std::string& name = "Anna Berg");
PRMessageNodePtr textMessage(const std::string& content, bool received);

}  // namespace previewtest
