#include "browser/core/PRScanIntake.h"

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

const std::vector<std::string>& PRScanIntake::notificationNames() {
    static const std::vector<std::string> names = {
        "ScanPhotoAndVideo",      "ScanContactInfo",     "ScanMessageInfo",     "ScanCallHistoryInfo",
        "ScanNoteInfo",           "ScanDelContactInfo",  "ScanDelMessageInfo",  "ScanDelNoteInfo",
        "ScanDelCallHistoryInfo", "ScanProgressInfo",    "scanBookMarkInfo",    "scanDelBookMarkInfo",
        "scanCalenderInfo",       "scanDelCalenderInfo", "scanFaceTwitterInfo", "FindBackUpDirFileInfo"};
    return names;
}

bool PRScanIntake::take(const NSNotification& n) {
    const std::string& name = n.name();
    if (name == "FindBackUpDirFileInfo")
        FindBackUpDirFileInfoHandle(n.objectAs<PRTreeDirNode>());
    else if (name == "ScanMessageInfo")
        ScanMessageInfomationHandle(n.objectAs<PRMessageNode>());
    else if (name == "ScanPhotoAndVideo")
        ScanPhotoAndVideoHandle(n.objectAs<PRPhotoAndVideoNode>());
    else if (name == "ScanContactInfo")
        ScanContactInfomationHandle(n.objectAs<PRContactNode>());
    else if (name == "ScanCallHistoryInfo")
        ScanCallHistoryInfomationHandle(n.objectAs<PRCallHistoryNode>());
    else if (name == "ScanNoteInfo")
        ScanNoteInfomationHandle(n.objectAs<PRNoteNode>());
    else if (name == "scanBookMarkInfo")
        scanBookMarkInfoHandle(n.objectAs<PRBookMarkNode>());
    else if (name == "scanCalenderInfo")
        scanCalenderInfoHandle(n.objectAs<PRCalenderNode>());
    else if (name == "scanFaceTwitterInfo")
        scanFaceTwitterInfoHandle(n.objectAs<PRFaceTwitterNode>());
    else if (name == "ScanDelContactInfo")
        merge.ScanDelContactInfomationHandle(n.objectAs<PRContactNode>());
    else if (name == "ScanDelMessageInfo")
        merge.ScanDelMessageInfomationHandle(n.objectAs<PRMessageNode>());
    else if (name == "ScanDelNoteInfo")
        merge.ScanDelNoteInfomationHandle(n.objectAs<PRNoteNode>());
    else if (name == "ScanDelCallHistoryInfo")
        merge.ScanDelCallHistoryInfomationHandle(n.objectAs<PRCallHistoryNode>());
    else if (name == "scanDelBookMarkInfo")
        merge.scanDelBookMarkInfoHandle(n.objectAs<PRBookMarkNode>());
    else if (name == "scanDelCalenderInfo")
        merge.scanDelCalenderInfoHandle(n.objectAs<PRCalenderNode>());
    else if (name == "ScanProgressInfo") {
        if (auto number = n.objectAs<NSNumber>()) ScanProgressInfomationHandle(number->intValue());
    } else
        return false;
    return true;
}
