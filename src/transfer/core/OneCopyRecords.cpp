#include "transfer/core/OneCopyRecords.h"

#include "backup/BackupNotices.h"
#include "backup/PRBackupScanState.h"
#include "backup/PRBookMarkReader.h"
#include "backup/PRCalenderReader.h"
#include "backup/PRCallHistoryReader.h"
#include "backup/PRContactReader.h"
#include "backup/PRMessageReader.h"
#include "backup/PRNoteReader.h"
#include "browser/core/ConversationPage.h"
#include "browser/core/PRBackupRecovery.h"
#include "export/PRRtfController.h"
#include "export/PRVCFController.h"
#include "model/MessageConversations.h"
#include "platform/LocalNames.h"
#include "platform/NotificationCenter.h"
#include "transfer/core/OneCopyRun.h"
#include "transfer/core/RecordExport.h"

#include <QDir>
#include <QString>

namespace transfer {

// The readers and what they delivered. The notification centre is the run's own, so records
// another page reads at the same moment never land here.
struct OneCopyRecords::Readers {
    NSNotificationCenter nc;
    PRBackupScanState state;
    std::vector<PRMessageNodePtr> messageArray;
    std::vector<PRNoteNodePtr> noteArray;
    std::vector<PRBookMarkNodePtr> bookMarkArray;
    std::vector<PRCalenderNodePtr> calenderArray;
    std::vector<PRCallHistoryNodePtr> callLogArray;
    std::vector<PRContactNodePtr> contacts;

    template <class T>
    void collect(const Notice<T>& notice, std::vector<std::shared_ptr<T>>& into) {
        notice.observe(nc, this, [&into](const std::shared_ptr<T>& record) {
            if (record) into.push_back(record);
        });
    }
    Readers() {
        collect(notices::ScanTransferContactInfo, contacts);
        collect(notices::ScanTransferMessageInfo, messageArray);
        collect(notices::ScanTransferNoteInfo, noteArray);
        collect(notices::scanCopyBookMarkInfo, bookMarkArray);
        collect(notices::scanCopyRemindMarkInfo, calenderArray);
        collect(notices::scanCopyCallLogInfo, callLogArray);
    }
    ~Readers() { nc.removeObserver(this); }
};

OneCopyRecords::OneCopyRecords(std::string backupFolder, std::string exportFolder, std::string deviceName)
    : backupFolder_(std::move(backupFolder)),
      exportFolder_(std::move(exportFolder)),
      deviceName_(std::move(deviceName)),
      readers_(std::make_shared<Readers>()) {}

std::string OneCopyRecords::folder(const char* name) {
    const std::string path = exportFolder_ + "/" + name;
    if (const std::string why = files::makeFolders(path); !why.empty()) {
        result_.failed(path, why);
        return {};
    }
    return path;
}

bool OneCopyRecords::tally(const files::Outcome& outcome) {
    if (!outcome.ok())
        result_.failed(outcome.path, outcome.reason);
    else if (outcome.alreadyThere)
        ++result_.alreadyThere;
    else
        result_.succeeded(0);
    return outcome.ok();
}

int OneCopyRecords::startCopyContacts() {
    readers_->contacts.clear();
    PRContactReader(readers_->state, readers_->nc).scanTransferContactThread(backupFolder_);
    alreadyThere_ = 0;
    if (readers_->contacts.empty()) return 0;
    const std::string into = folder(PRBackupRecovery::kContactFolder);
    if (into.empty()) return 0;
    int written = 0;
    for (const PRContactNodePtr& contact : readers_->contacts) {
        // Contacts of one name each get a card (the writer numbers the later ones).
        const files::Outcome card =
            PRVCFController().creatFile(*contact, into + "/" + PRBackupRecovery::contactCardName(*contact) + ".vcf");
        if (tally(card)) ++(card.alreadyThere ? alreadyThere_ : written);
    }
    return written;
}

int OneCopyRecords::startCopyMessages() {
    readers_->messageArray.clear();
    PRMessageReader(readers_->state, readers_->nc).scanTransferMessageThread(backupFolder_);
    messageTreeArray_.clear();
    for (const PRMessageNodePtr& message : readers_->messageArray) fileIntoConversation(messageTreeArray_, message);
    return startWriteMessagesArray();
}

int OneCopyRecords::startWriteMessagesArray() {
    alreadyThere_ = 0;
    // Made also without conversations: the folder says the device had none.
    const std::string into = folder(PRBackupRecovery::kMessageFolder);
    if (into.empty()) return 0;
    PRBackupRecovery attachments;
    int written = 0;
    for (const PRMessageTreeNodePtr& conversation : messageTreeArray_) {
        // Conversations of one name each get a page (the later ones numbered); their messages
        // are written once the page is.
        ConversationPage page(attachments, into, RecordExport::conversationBaseName(*conversation),
                              deviceName_ + "'s Message");
        page.addConversation(*conversation);
        const files::Outcome pageOutcome = page.write();
        if (tally(pageOutcome))
            (pageOutcome.alreadyThere ? alreadyThere_ : written) += int(conversation->MessageNodeArray().size());
    }
    const PRRecoveryResult attached = attachments.result();
    if (attached.failures) result_.failed(attached.firstFailedPath, attached.firstReason);
    return written;
}

template <class Node, class Entry>
int OneCopyRecords::writeText(const std::vector<std::shared_ptr<Node>>& records, const char* folderName,
                              const char* fileType, Entry entry) {
    alreadyThere_ = 0;
    // Written also without records: an empty file says the device had none.
    const std::string into = folder(folderName);
    if (into.empty()) return 0;
    PRRtfController rtf;
    rtf.beginRtfInPath(into, fileType);
    for (const auto& record : records) rtf.addRtfContent(entry(*record));
    const files::Outcome written = rtf.endRtf();
    if (!tally(written)) return 0;
    if (written.alreadyThere) {
        alreadyThere_ = int(records.size());
        return 0;
    }
    return int(records.size());
}

int OneCopyRecords::startCopyNotes() {
    readers_->noteArray.clear();
    PRNoteReader(readers_->nc).scanTransferNoteThread(backupFolder_);
    return writeText(readers_->noteArray, "Note", "Note", &PRBackupRecovery::noteEntry);
}

int OneCopyRecords::startCopyBookMarks() {
    readers_->bookMarkArray.clear();
    PRBookMarkReader(readers_->nc).scanTransferBookMarkThread(backupFolder_);
    return writeText(readers_->bookMarkArray, "BookMark", "BookMark", &PRBackupRecovery::bookMarkEntry);
}

int OneCopyRecords::StartCopyReminders() {
    readers_->calenderArray.clear();
    // The calendar's schema follows the backup's system version, which the message step finds;
    // with messages switched off it must be found here.
    PRMessageReader(readers_->state, readers_->nc).checkiOSVersionByPath(backupFolder_);
    PRCalenderReader(readers_->state, readers_->nc).scanTransferCalenderThread(backupFolder_);
    return writeText(readers_->calenderArray, "Calendar&Reminder", "Calendar&Reminder",
                     &PRBackupRecovery::calenderEntry);
}

int OneCopyRecords::StartCopyCallLogs() {
    readers_->callLogArray.clear();
    PRCallHistoryReader(readers_->state, readers_->nc).scanTransferCallLogThread(backupFolder_);
    return writeText(readers_->callLogArray, "CallLogs", "CallHistory", &PRBackupRecovery::callHistoryEntry);
}

}  // namespace transfer
