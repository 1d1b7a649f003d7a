#include "transfer/core/TransferRecordIntake.h"

#include "backup/BackupNotices.h"
#include "model/MessageConversations.h"

namespace transfer {
namespace {

const NoticeName* const kObserved[] = {&notices::ScanTransferContactInfo,     &notices::ScanTransferMessageInfo,
                                       &notices::ScanTransferNoteInfo,        &notices::ScanTransferContactFinished,
                                       &notices::ScanTransferMessageFinished, &notices::ScanTransferNoteFinished};

}  // namespace

TransferRecordIntake::TransferRecordIntake(NSNotificationCenter& nc) : nc_(nc) {
    for (const NoticeName* notice : kObserved) notice->observe(nc_, this, [this](const NSNotification& n) { take(n); });
}

TransferRecordIntake::~TransferRecordIntake() { nc_.removeObserver(this); }

void TransferRecordIntake::take(const NSNotification& n) {
    using namespace notices;
    if (n.sender() != token()) return;
    if (ScanTransferContactInfo.take(n, [this](const PRContactNodePtr& r) { ScanTransferContactInfoHandle(r); }) ||
        ScanTransferMessageInfo.take(n, [this](const PRMessageNodePtr& r) { ScanTransferMessageInfoHandle(r); }) ||
        ScanTransferNoteInfo.take(n, [this](const PRNoteNodePtr& r) { ScanTransferNoteInfoHandle(r); }) || !onFinished)
        return;
    // The ends of the reads.
    if (ScanTransferContactFinished.is(n))
        onFinished(RecordKind::Contacts);
    else if (ScanTransferMessageFinished.is(n))
        onFinished(RecordKind::Messages);
    else if (ScanTransferNoteFinished.is(n))
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
