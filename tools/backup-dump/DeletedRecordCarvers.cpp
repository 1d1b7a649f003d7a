#include "DeletedRecordCarvers.h"

#include "backup/carve/DelBookMarkCarver.h"
#include "backup/carve/DelCalenderCarver.h"
#include "backup/carve/DelCallHistoryCarver.h"
#include "backup/carve/DelContactCarver.h"
#include "backup/carve/DelMessageCarver.h"
#include "backup/carve/DelNoteCarver.h"
#include "model/PRIOSDeviceController.h"

#include <iterator>
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

// What the carvers post, and whether the intake keeps it; progress values always pass.
struct Carved {
    const char* name;
    bool (*keep)(PRDeletedRecordMerge&, const NSObjectPtr&);
};
template <class T, bool (PRDeletedRecordMerge::*handle)(const std::shared_ptr<T>&)>
bool keep(PRDeletedRecordMerge& merge, const NSObjectPtr& object) {
    return (merge.*handle)(std::dynamic_pointer_cast<T>(object));
}
const Carved kCarved[] = {
    {"ScanDelContactInfo", keep<PRContactNode, &PRDeletedRecordMerge::ScanDelContactInfomationHandle>},
    {"ScanDelMessageInfo", keep<PRMessageNode, &PRDeletedRecordMerge::ScanDelMessageInfomationHandle>},
    {"ScanDelNoteInfo", keep<PRNoteNode, &PRDeletedRecordMerge::ScanDelNoteInfomationHandle>},
    {"ScanDelCallHistoryInfo", keep<PRCallHistoryNode, &PRDeletedRecordMerge::ScanDelCallHistoryInfomationHandle>},
    {"scanDelBookMarkInfo", keep<PRBookMarkNode, &PRDeletedRecordMerge::scanDelBookMarkInfoHandle>},
    {"scanDelCalenderInfo", keep<PRCalenderNode, &PRDeletedRecordMerge::scanDelCalenderInfoHandle>},
    {"ScanProgressInfo", nullptr},
};
}  // namespace

DeletedRecordCarvers::DeletedRecordCarvers(NSNotificationCenter& nc) : nc_(nc) {
    collectInto(nc, this, "ScanContactInfo", merge_, merge_.contactArray);
    collectInto(nc, this, "ScanMessageInfo", merge_, merge_.messageArray);
    collectInto(nc, this, "ScanNoteInfo", merge_, merge_.noteArray);
    collectInto(nc, this, "ScanCallHistoryInfo", merge_, merge_.callArray);
    collectInto(nc, this, "scanBookMarkInfo", merge_, merge_.bookMarkArray);
    collectInto(nc, this, "scanCalenderInfo", merge_, merge_.calenderArray);
}

DeletedRecordCarvers::~DeletedRecordCarvers() { nc_.removeObserver(this); }

void DeletedRecordCarvers::prepare(const std::string& backupFolder, Schema schema) {
    std::lock_guard lock(mutex_);
    if (state_ || ended_) return;
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
    folder_ = backupFolder;
    state_ = std::move(state);
    changed_.notify_all();
}

void DeletedRecordCarvers::carve() {
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return state_ || ended_; });
        if (!state_) return;
    }
    NSNotificationCenter carved;
    int observer = 0;
    for (size_t kind = 0; kind < std::size(kCarved); ++kind)
        carved.addObserver(&observer, kCarved[kind].name, [this, kind](const NSNotification& n) {
            found_.push({kind, n.object(), {}});
        });
    carve::CarveContext context(*state_, carved);
    context.log = [this](const std::string& line) { found_.push({kLogLine, nullptr, line}); };
    carve::DelContactCarver(context).scanDelContactThread(folder_);
    carve::DelMessageCarver(context).scanDelMessageThread(folder_);
    carve::DelNoteCarver(context).scanDelNoteThread(folder_);
    carve::DelCallHistoryCarver(context).scanDelCallHistoryThread(folder_);
    carve::DelBookMarkCarver(context).ScanDelBookMarkThread(folder_);
    carve::DelCalenderCarver(context).ScanDelCalenderThread(folder_);
    carved.removeObserver(&observer);
    found_.close();
}

void DeletedRecordCarvers::finish() {
    nc_.removeObserver(this);
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
        changed_.notify_all();
        if (!state_) return;  // never prepared: carve() returns without carving
    }
    found_.takeAll([this](const Found& found) { take(found); });
}

void DeletedRecordCarvers::take(const Found& found) {
    if (found.kind == kLogLine) {
        // Logged as the carvers log, in its place among what they posted.
        PRBackupScanState none;
        NSNotificationCenter quiet;
        carve::CarveContext(none, quiet).writeLog(found.line);
        return;
    }
    const Carved& carved = kCarved[found.kind];
    if (!carved.keep || carved.keep(merge_, found.object)) nc_.postNotificationName(carved.name, found.object);
}
