#include "transfer/core/TransferRecordIntake.h"

#include "model/MessageConversations.h"

namespace transfer {
namespace {

const char* const kNames[] = {"ScanTransferContactInfo",     "ScanTransferMessageInfo",     "ScanTransferNoteInfo",
                              "ScanTransferContactFinished", "ScanTransferMessageFinished", "ScanTransferNoteFinished"};

}  // namespace

TransferRecordIntake::TransferRecordIntake(NSNotificationCenter& nc) : nc_(nc) {
    for (const char* name : kNames) nc_.addObserver(this, name, [this](const NSNotification& n) { take(n); });
}

TransferRecordIntake::~TransferRecordIntake() { nc_.removeObserver(this); }

void TransferRecordIntake::take(const NSNotification& n) {
    if (n.sender() != token()) return;
    const std::string& name = n.name();
    if (name == "ScanTransferContactInfo")
        ScanTransferContactInfoHandle(n.objectAs<PRContactNode>());
    else if (name == "ScanTransferMessageInfo")
        ScanTransferMessageInfoHandle(n.objectAs<PRMessageNode>());
    else if (name == "ScanTransferNoteInfo")
        ScanTransferNoteInfoHandle(n.objectAs<PRNoteNode>());
    else if (!onFinished)
        return;
    else if (name == "ScanTransferContactFinished")
        onFinished(RecordKind::Contacts);
    else if (name == "ScanTransferMessageFinished")
        onFinished(RecordKind::Messages);
    else if (name == "ScanTransferNoteFinished")
        onFinished(RecordKind::Notes);
}

void TransferRecordIntake::ScanTransferContactInfoHandle(const PRContactNodePtr& contact) {
    if (!contact) return;
    std::lock_guard lock(mutex_);
    contactArray_.push_back(contact);
}

void TransferRecordIntake::ScanTransferMessageInfoHandle(const PRMessageNodePtr& message) {
    if (!message) return;
    std::lock_guard lock(mutex_);
    messageArray_.push_back(message);
    fileIntoConversation(messageTreeArray_, message);
}

void TransferRecordIntake::ScanTransferNoteInfoHandle(const PRNoteNodePtr& note) {
    if (!note) return;
    std::lock_guard lock(mutex_);
    noteArray_.push_back(note);
}

void TransferRecordIntake::startContactRead() {
    std::lock_guard lock(mutex_);
    contactArray_.clear();
}

void TransferRecordIntake::clear() {
    std::lock_guard lock(mutex_);
    contactArray_.clear();
    messageArray_.clear();
    messageTreeArray_.clear();
    noteArray_.clear();
}

std::vector<PRContactNodePtr> TransferRecordIntake::contactArray() const {
    std::lock_guard lock(mutex_);
    return contactArray_;
}
std::vector<PRMessageNodePtr> TransferRecordIntake::messageArray() const {
    std::lock_guard lock(mutex_);
    return messageArray_;
}
std::vector<PRMessageTreeNodePtr> TransferRecordIntake::messageTreeArray() const {
    std::lock_guard lock(mutex_);
    return messageTreeArray_;
}
std::vector<PRNoteNodePtr> TransferRecordIntake::noteArray() const {
    std::lock_guard lock(mutex_);
    return noteArray_;
}

}  // namespace transfer
