// The contacts, messages and notes a transfer page collects from the transfer readers' runs
// it started. The readers post on the default centre, where another page (the one-click copy)
// may be reading at the same time: only notifications whose sender is this intake's token are
// taken. Records arrive on the reader's thread and are read on the main thread, so every
// array is guarded. Messages are grouped into conversations as they arrive.
#pragma once

#include "model/PRContactNode.h"
#include "model/PRMessageNode.h"
#include "model/PRNoteNode.h"
#include "platform/NotificationCenter.h"

#include <functional>
#include <mutex>
#include <vector>

namespace transfer {

// The kind numbers of the three record tables.
enum class RecordKind { Contacts = 1, Messages = 2, Notes = 3 };

class TransferRecordIntake {
public:
    explicit TransferRecordIntake(NSNotificationCenter& nc = NSNotificationCenter::defaultCenter());
    ~TransferRecordIntake();
    TransferRecordIntake(const TransferRecordIntake&) = delete;
    TransferRecordIntake& operator=(const TransferRecordIntake&) = delete;

    // The sender the readers of this intake's runs post with.
    const void* token() const { return this; }

    // Called on the posting thread when one of this intake's reader runs has ended.
    std::function<void(RecordKind)> onFinished;

    // Record intake (the notification handlers call these).
    void ScanTransferContactInfoHandle(const PRContactNodePtr& contact);
    void ScanTransferMessageInfoHandle(const PRMessageNodePtr& message);
    void ScanTransferNoteInfoHandle(const PRNoteNodePtr& note);

    // A contact read replaces the contacts of an earlier one.
    void startContactRead();
    // Forgets every record (a failed backup leaves nothing of an earlier device).
    void clear();

    // Copies, in arrival order.
    std::vector<PRContactNodePtr> contactArray() const;
    std::vector<PRMessageNodePtr> messageArray() const;
    std::vector<PRMessageTreeNodePtr> messageTreeArray() const;
    std::vector<PRNoteNodePtr> noteArray() const;

private:
    void take(const NSNotification& notification);

    NSNotificationCenter& nc_;
    mutable std::mutex mutex_;
    std::vector<PRContactNodePtr> contactArray_;
    std::vector<PRMessageNodePtr> messageArray_;
    std::vector<PRMessageTreeNodePtr> messageTreeArray_;
    std::vector<PRNoteNodePtr> noteArray_;
};

}  // namespace transfer
