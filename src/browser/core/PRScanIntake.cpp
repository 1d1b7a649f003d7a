#include "browser/core/PRScanIntake.h"

#include "backup/BackupNotices.h"
#include "model/MessageConversations.h"

PRScanIntake::PRScanIntake(std::string deviceName) : deviceName_(std::move(deviceName)) {}

PRScanCounts PRScanIntake::counts() const {
    PRScanCounts c;
    c.percent = percent_;
    c.BackUpFilesNum = BackUpFilesNum_;
    c.deleteeFilesNum = merge.deleteeFilesNum;
    c.photovideoNum = photovideoNum_;
    c.contactNum = contactNum_;
    c.messageNum = messageNum_;
    c.noteNum = noteNum_;
    c.callNum = callNum_;
    c.bookMarkNum = bookMarkNum_;
    c.calenderNum = calenderNum_;
    c.facetwitterNum = facetwitterNum_;
    c.delContactNum = merge.delContactNum;
    c.delMessageNum = merge.delMessageNum;
    c.delNoteNum = merge.delNoteNum;
    c.delCallNum = merge.delCallNum;
    c.delBookMarkNum = merge.delBookMarkNum;
    c.delCalenderNum = merge.delCalenderNum;
    c.backupfiles = tree.backupfiles();
    return c;
}

void PRScanIntake::ScanPhotoAndVideoHandle(const PRPhotoAndVideoNodePtr& node) {
    listLive(photoAndVideoArray, node, photovideoNum_);
}

void PRScanIntake::ScanContactInfomationHandle(const PRContactNodePtr& contact) {
    listLive(merge.contactArray, contact, contactNum_);
}

void PRScanIntake::ScanMessageInfomationHandle(const PRMessageNodePtr& message) {
    if (!message) return;
    listLive(merge.messageArray, message, messageNum_);

    // The first conversation, deleted ones included, that the message belongs to; a new one
    // when none does.
    std::vector<PRMessageTreeNodePtr>& conversations = merge.messageTreeArray;
    // The merge adds deleted conversations too: the finder learns them as they come.
    for (; conversationsFound_.size() < conversations.size();)
        conversationsFound_.add(conversations[conversationsFound_.size()]->messageTreeNodeAdress());
    size_t place = conversationsFound_.find(conversationAddress(*message));
    if (place == ConversationFinder::npos) {
        place = conversations.size();
        conversations.push_back(conversationStartedBy(*message));
    }
    conversations[place]->MessageNodeArray().push_back(message);
}

void PRScanIntake::ScanCallHistoryInfomationHandle(const PRCallHistoryNodePtr& call) {
    listLive(merge.callArray, call, callNum_);
}

void PRScanIntake::ScanNoteInfomationHandle(const PRNoteNodePtr& note) { listLive(merge.noteArray, note, noteNum_); }

void PRScanIntake::scanBookMarkInfoHandle(const PRBookMarkNodePtr& bookmark) {
    listLive(merge.bookMarkArray, bookmark, bookMarkNum_);
}

void PRScanIntake::scanCalenderInfoHandle(const PRCalenderNodePtr& item) {
    listLive(merge.calenderArray, item, calenderNum_);
}

void PRScanIntake::scanFaceTwitterInfoHandle(const PRFaceTwitterNodePtr& file) {
    listLive(faceTwitterArray, file, facetwitterNum_);
}

void PRScanIntake::FindBackUpDirFileInfoHandle(const PRTreeDirNodePtr& record) {
    if (record && !record->filePath().empty()) tree.addTreeNode(*record, deviceName_);
}

const std::vector<const NoticeName*>& PRScanIntake::observedNotices() {
    using namespace notices;
    static const std::vector<const NoticeName*> observed = {
        &ScanPhotoAndVideo,      &ScanContactInfo,     &ScanMessageInfo,     &ScanCallHistoryInfo,
        &ScanNoteInfo,           &ScanDelContactInfo,  &ScanDelMessageInfo,  &ScanDelNoteInfo,
        &ScanDelCallHistoryInfo, &ScanProgressInfo,    &scanBookMarkInfo,    &scanDelBookMarkInfo,
        &scanCalenderInfo,       &scanDelCalenderInfo, &scanFaceTwitterInfo, &FindBackUpDirFileInfo};
    return observed;
}

bool PRScanIntake::take(const NSNotification& n) {
    using namespace notices;
    // The most frequent first: a backup's files outnumber its records.
    return FindBackUpDirFileInfo.take(n, [this](const PRTreeDirNodePtr& r) { FindBackUpDirFileInfoHandle(r); }) ||
           ScanMessageInfo.take(n, [this](const PRMessageNodePtr& r) { ScanMessageInfomationHandle(r); }) ||
           ScanPhotoAndVideo.take(n, [this](const PRPhotoAndVideoNodePtr& r) { ScanPhotoAndVideoHandle(r); }) ||
           ScanContactInfo.take(n, [this](const PRContactNodePtr& r) { ScanContactInfomationHandle(r); }) ||
           ScanCallHistoryInfo.take(n, [this](const PRCallHistoryNodePtr& r) { ScanCallHistoryInfomationHandle(r); }) ||
           ScanNoteInfo.take(n, [this](const PRNoteNodePtr& r) { ScanNoteInfomationHandle(r); }) ||
           scanBookMarkInfo.take(n, [this](const PRBookMarkNodePtr& r) { scanBookMarkInfoHandle(r); }) ||
           scanCalenderInfo.take(n, [this](const PRCalenderNodePtr& r) { scanCalenderInfoHandle(r); }) ||
           scanFaceTwitterInfo.take(n, [this](const PRFaceTwitterNodePtr& r) { scanFaceTwitterInfoHandle(r); }) ||
           ScanDelContactInfo.take(n, [this](const PRContactNodePtr& r) { merge.ScanDelContactInfomationHandle(r); }) ||
           ScanDelMessageInfo.take(n, [this](const PRMessageNodePtr& r) { merge.ScanDelMessageInfomationHandle(r); }) ||
           ScanDelNoteInfo.take(n, [this](const PRNoteNodePtr& r) { merge.ScanDelNoteInfomationHandle(r); }) ||
           ScanDelCallHistoryInfo.take(
               n, [this](const PRCallHistoryNodePtr& r) { merge.ScanDelCallHistoryInfomationHandle(r); }) ||
           scanDelBookMarkInfo.take(n, [this](const PRBookMarkNodePtr& r) { merge.scanDelBookMarkInfoHandle(r); }) ||
           scanDelCalenderInfo.take(n, [this](const PRCalenderNodePtr& r) { merge.scanDelCalenderInfoHandle(r); }) ||
           ScanProgressInfo.take(n, [this](const NSNumberPtr& number) {
               if (number) ScanProgressInfomationHandle(number->intValue());
           });
}
