#include "DeletedRecordCarvers.h"

#include "backup/carve/DelBookMarkCarver.h"
#include "backup/carve/DelCalenderCarver.h"
#include "backup/carve/DelCallHistoryCarver.h"
#include "backup/carve/DelContactCarver.h"
#include "backup/carve/DelMessageCarver.h"
#include "backup/carve/DelNoteCarver.h"
#include "model/PRIOSDeviceController.h"

#include <memory>

namespace {
// Each record is entered in the intake's look-up as it comes, while it is still in the cache
// from being printed, rather than all at once when the carvers' records come.
template <class T>
void collectInto(NSNotificationCenter& nc, const void* observer, const char* name, PRDeletedRecordMerge& merge,
                 std::vector<std::shared_ptr<T>>& into) {
    nc.addObserver(observer, name, [&merge, &into](const NSNotification& n) {
        if (auto record = n.objectAs<T>()) {
            into.push_back(std::move(record));
            merge.indexListed();
        }
    });
}
}  // namespace

DeletedRecordCarvers::DeletedRecordCarvers(NSNotificationCenter& nc) : nc_(nc) {
    collectInto(nc, this, "ScanContactInfo", merge_, merge_.contactArray);
    collectInto(nc, this, "ScanMessageInfo", merge_, merge_.messageArray);
    collectInto(nc, this, "ScanNoteInfo", merge_, merge_.noteArray);
    collectInto(nc, this, "ScanCallHistoryInfo", merge_, merge_.callArray);
    collectInto(nc, this, "scanBookMarkInfo", merge_, merge_.bookMarkArray);
    collectInto(nc, this, "scanCalenderInfo", merge_, merge_.calenderArray);
}

DeletedRecordCarvers::~DeletedRecordCarvers() {
    nc_.removeObserver(this);
    if (thread_.joinable()) thread_.join();
}

void DeletedRecordCarvers::start(const std::string& backupFolder, Schema schema) {
    if (thread_.joinable()) return;
    // The carvers get a scan state of their own: the schema flags of the backup's iOS version,
    // as when the backup is opened, or else the readers', and the contacts read so far.
    auto state = std::make_unique<PRBackupScanState>();
    state->currentNodeIsiOS6Version = schema.ios6;
    state->bIOS7DeviceNode = schema.ios7;
    PRIOSDeviceController backups;
    backups.addDeviceNodeByPath(backupFolder);
    if (!backups.arrangedObjects().empty())
        state->currentNodeIsiOS6Version = state->IOSVersionIOS6(backups.arrangedObjects().front()->strIOSVersion());
    state->contactArray = merge_.contactArray;
    thread_ = std::thread([this, backupFolder, state = std::move(state)] { carve(backupFolder, *state); });
}

void DeletedRecordCarvers::carve(const std::string& backupFolder, PRBackupScanState& state) {
    NSNotificationCenter carved;
    int observer = 0;
    for (auto [name, kind] : {std::pair{"ScanDelContactInfo", Kind::contact},
                              {"ScanDelMessageInfo", Kind::message},
                              {"ScanDelNoteInfo", Kind::note},
                              {"ScanDelCallHistoryInfo", Kind::call},
                              {"scanDelBookMarkInfo", Kind::bookMark},
                              {"scanDelCalenderInfo", Kind::calender},
                              {"ScanProgressInfo", Kind::progress}})
        carved.addObserver(&observer, name, [this, kind = kind](const NSNotification& n) {
            found_.push({kind, n.object(), {}});
        });
    carve::CarveContext context(state, carved);
    context.log = [this](const std::string& line) { found_.push({Kind::log, nullptr, line}); };
    carve::DelContactCarver(context).scanDelContactThread(backupFolder);
    carve::DelMessageCarver(context).scanDelMessageThread(backupFolder);
    carve::DelNoteCarver(context).scanDelNoteThread(backupFolder);
    carve::DelCallHistoryCarver(context).scanDelCallHistoryThread(backupFolder);
    carve::DelBookMarkCarver(context).ScanDelBookMarkThread(backupFolder);
    carve::DelCalenderCarver(context).ScanDelCalenderThread(backupFolder);
    carved.removeObserver(&observer);
    found_.close();
}

void DeletedRecordCarvers::finish() {
    if (!thread_.joinable()) return;
    nc_.removeObserver(this);
    found_.takeAll([this](const Found& found) { take(found); });
    thread_.join();
}

void DeletedRecordCarvers::take(const Found& found) {
    switch (found.kind) {
    case Kind::contact:
        if (merge_.ScanDelContactInfomationHandle(std::dynamic_pointer_cast<PRContactNode>(found.object)))
            nc_.postNotificationName("ScanDelContactInfo", found.object);
        return;
    case Kind::message:
        if (merge_.ScanDelMessageInfomationHandle(std::dynamic_pointer_cast<PRMessageNode>(found.object)))
            nc_.postNotificationName("ScanDelMessageInfo", found.object);
        return;
    case Kind::note:
        if (merge_.ScanDelNoteInfomationHandle(std::dynamic_pointer_cast<PRNoteNode>(found.object)))
            nc_.postNotificationName("ScanDelNoteInfo", found.object);
        return;
    case Kind::call:
        if (merge_.ScanDelCallHistoryInfomationHandle(std::dynamic_pointer_cast<PRCallHistoryNode>(found.object)))
            nc_.postNotificationName("ScanDelCallHistoryInfo", found.object);
        return;
    case Kind::bookMark:
        if (merge_.scanDelBookMarkInfoHandle(std::dynamic_pointer_cast<PRBookMarkNode>(found.object)))
            nc_.postNotificationName("scanDelBookMarkInfo", found.object);
        return;
    case Kind::calender:
        if (merge_.scanDelCalenderInfoHandle(std::dynamic_pointer_cast<PRCalenderNode>(found.object)))
            nc_.postNotificationName("scanDelCalenderInfo", found.object);
        return;
    case Kind::progress: nc_.postNotificationName("ScanProgressInfo", found.object); return;
    case Kind::log: {
        // Logged as the carvers log, in its place among what they posted.
        PRBackupScanState none;
        NSNotificationCenter quiet;
        carve::CarveContext(none, quiet).writeLog(found.line);
        return;
    }
    }
}
