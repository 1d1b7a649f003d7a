// What the results screen takes in while a backup is scanned: every record the readers and
// carvers post, appended to its category and counted, messages grouped into conversations,
// deleted records merged with the live ones without repeats, and the manifest's file records
// filed into the backup-file tree. It runs on the scan's worker; the screen takes it over
// whole once the scan has ended.
#pragma once

#include "backup/carve/PRDeletedRecordMerge.h"
#include "browser/core/PRBackupFileTree.h"
#include "model/PRFaceTwitterNode.h"
#include "model/PRPhotoAndVideoNode.h"
#include "platform/Notice.h"

#include <string>
#include <vector>

// The part of a scan under way, by the records it reads: the backup's own records (the list of
// its files first), then, once lookingForDeleted, the deleted ones the carvers find.
enum class PRScanStep { Files, Contacts, Messages, Notes, Calls, Bookmarks, Calendar };

// The counts the screen shows while a scan runs.
struct PRScanCounts {
    int percent = 0;
    PRScanStep step = PRScanStep::Files;
    bool lookingForDeleted = false;
    int BackUpFilesNum = 0;   // live records received
    int deleteeFilesNum = 0;  // deleted records kept
    int photovideoNum = 0, contactNum = 0, messageNum = 0, noteNum = 0, callNum = 0, bookMarkNum = 0, calenderNum = 0,
        facetwitterNum = 0;
    int delContactNum = 0, delMessageNum = 0, delNoteNum = 0, delCallNum = 0, delBookMarkNum = 0, delCalenderNum = 0;
    uint64_t backupfiles = 0;  // manifest records placed in the tree
};

class PRScanIntake {
public:
    // deviceName names the tree's root folder: the device of the backup being scanned.
    explicit PRScanIntake(std::string deviceName = {});

    // The category arrays. Contacts, messages, conversations, notes, calls, bookmarks and
    // calendar items live in the merge, which keeps deleted records apart from repeats.
    std::vector<PRPhotoAndVideoNodePtr> photoAndVideoArray;
    std::vector<PRFaceTwitterNodePtr> faceTwitterArray;
    PRDeletedRecordMerge merge;
    std::vector<PRContactNodePtr>& contactArray() { return merge.contactArray; }
    std::vector<PRMessageNodePtr>& messageArray() { return merge.messageArray; }
    std::vector<PRMessageTreeNodePtr>& messageTreeArray() { return merge.messageTreeArray; }
    std::vector<PRNoteNodePtr>& noteArray() { return merge.noteArray; }
    std::vector<PRCallHistoryNodePtr>& callHistoryArray() { return merge.callArray; }
    std::vector<PRBookMarkNodePtr>& bookMarkArray() { return merge.bookMarkArray; }
    std::vector<PRCalenderNodePtr>& calenderArray() { return merge.calenderArray; }
    PRBackupFileTree tree;

    // The live counters and the progress; the deleted ones are the merge's.
    PRScanCounts counts() const;

    // The handlers, one per notification; each takes the notification's object.
    void ScanPhotoAndVideoHandle(const PRPhotoAndVideoNodePtr& node);
    void ScanContactInfomationHandle(const PRContactNodePtr& contact);
    void ScanMessageInfomationHandle(const PRMessageNodePtr& message);
    void ScanCallHistoryInfomationHandle(const PRCallHistoryNodePtr& call);
    void ScanNoteInfomationHandle(const PRNoteNodePtr& note);
    void scanBookMarkInfoHandle(const PRBookMarkNodePtr& bookmark);
    void scanCalenderInfoHandle(const PRCalenderNodePtr& item);
    void scanFaceTwitterInfoHandle(const PRFaceTwitterNodePtr& file);
    void FindBackUpDirFileInfoHandle(const PRTreeDirNodePtr& record);
    void ScanProgressInfomationHandle(int percent) { percent_ = percent; }
    // The six deleted-record handlers are the merge's.

    // Takes one notification by name; answers whether it was one of the screen's.
    bool take(const NSNotification& notification);
    // Every notification the intake takes.
    static const std::vector<const NoticeName*>& observedNotices();

private:
    // A live record goes at the end of its array, counted in its category and in the total.
    template <class Ptr>
    void listLive(std::vector<Ptr>& array, const Ptr& record, int& categoryCount) {
        if (!record) return;
        array.push_back(record);
        ++categoryCount;
        ++BackUpFilesNum_;
    }

    std::string deviceName_;
    int percent_ = 0;
    int BackUpFilesNum_ = 0;
    int photovideoNum_ = 0, contactNum_ = 0, messageNum_ = 0, noteNum_ = 0, callNum_ = 0, bookMarkNum_ = 0,
        calenderNum_ = 0, facetwitterNum_ = 0;
    // The conversations of messageTreeArray, in its order (it is only ever appended to).
    ConversationFinder conversationsFound_;
};
