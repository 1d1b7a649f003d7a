#include "DeletedRecordCarvers.h"

#include "backup/carve/DelBookMarkCarver.h"
#include "backup/carve/DelCalenderCarver.h"
#include "backup/carve/DelCallHistoryCarver.h"
#include "backup/carve/DelContactCarver.h"
#include "backup/carve/DelMessageCarver.h"
#include "backup/carve/DelNoteCarver.h"
#include "model/PRIOSDeviceController.h"

namespace {
template <class T>
void collectInto(NSNotificationCenter& nc, const void* observer, const char* name,
                 std::vector<std::shared_ptr<T>>& into) {
    nc.addObserver(observer, name, [&into](const NSNotification& n) {
        if (auto record = n.objectAs<T>()) into.push_back(record);
    });
}
}  // namespace

DeletedRecordCarvers::DeletedRecordCarvers(NSNotificationCenter& nc) : nc_(nc) {
    collectInto(nc, this, "ScanContactInfo", merge_.contactArray);
    collectInto(nc, this, "ScanMessageInfo", merge_.messageArray);
    collectInto(nc, this, "ScanNoteInfo", merge_.noteArray);
    collectInto(nc, this, "ScanCallHistoryInfo", merge_.callArray);
    collectInto(nc, this, "scanBookMarkInfo", merge_.bookMarkArray);
    collectInto(nc, this, "scanCalenderInfo", merge_.calenderArray);
}

DeletedRecordCarvers::~DeletedRecordCarvers() { nc_.removeObserver(this); }

void DeletedRecordCarvers::run(const std::string& backupFolder, PRBackupScanState& state) {
    nc_.removeObserver(this);
    // The schema flags come from the backup's iOS version, as when the backup is opened.
    PRIOSDeviceController backups;
    backups.addDeviceNodeByPath(backupFolder);
    if (!backups.arrangedObjects().empty())
        state.currentNodeIsiOS6Version = state.IOSVersionIOS6(backups.arrangedObjects().front()->strIOSVersion());
    state.resetScanArrays();
    state.contactArray = merge_.contactArray;  // for the contact names of carved messages and calls

    // The carvers post on a centre of their own; what the intake takes is passed on.
    NSNotificationCenter carved;
    auto forward = [this](const std::string& name, auto take) {
        return [this, name, take](const NSNotification& n) {
            if (take(n)) nc_.postNotificationName(name, n.object());
        };
    };
    int observer = 0;
    carved.addObserver(&observer, "ScanDelContactInfo", forward("ScanDelContactInfo", [this](const NSNotification& n) {
        return merge_.ScanDelContactInfomationHandle(n.objectAs<PRContactNode>());
    }));
    carved.addObserver(&observer, "ScanDelMessageInfo", forward("ScanDelMessageInfo", [this](const NSNotification& n) {
        return merge_.ScanDelMessageInfomationHandle(n.objectAs<PRMessageNode>());
    }));
    carved.addObserver(&observer, "ScanDelNoteInfo", forward("ScanDelNoteInfo", [this](const NSNotification& n) {
        return merge_.ScanDelNoteInfomationHandle(n.objectAs<PRNoteNode>());
    }));
    carved.addObserver(&observer, "ScanDelCallHistoryInfo",
                       forward("ScanDelCallHistoryInfo", [this](const NSNotification& n) {
                           return merge_.ScanDelCallHistoryInfomationHandle(n.objectAs<PRCallHistoryNode>());
                       }));
    carved.addObserver(&observer, "scanDelBookMarkInfo",
                       forward("scanDelBookMarkInfo", [this](const NSNotification& n) {
                           return merge_.scanDelBookMarkInfoHandle(n.objectAs<PRBookMarkNode>());
                       }));
    carved.addObserver(&observer, "scanDelCalenderInfo",
                       forward("scanDelCalenderInfo", [this](const NSNotification& n) {
                           return merge_.scanDelCalenderInfoHandle(n.objectAs<PRCalenderNode>());
                       }));
    carved.addObserver(&observer, "ScanProgressInfo",
                       forward("ScanProgressInfo", [](const NSNotification&) { return true; }));

    carve::CarveContext context(state, carved);
    carve::DelContactCarver(context).scanDelContactThread(backupFolder);
    carve::DelMessageCarver(context).scanDelMessageThread(backupFolder);
    carve::DelNoteCarver(context).scanDelNoteThread(backupFolder);
    carve::DelCallHistoryCarver(context).scanDelCallHistoryThread(backupFolder);
    carve::DelBookMarkCarver(context).ScanDelBookMarkThread(backupFolder);
    carve::DelCalenderCarver(context).ScanDelCalenderThread(backupFolder);
    carved.removeObserver(&observer);
    state.removeSomeArray();
}
