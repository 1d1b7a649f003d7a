#include "DeletedRecordCarvers.h"

#include "backup/BackupNotices.h"
#include "backup/carve/CarveAll.h"
#include "model/PRIOSDeviceController.h"
#include "platform/HeapGrowth.h"
#include "platform/Prefetch.h"

#include <algorithm>
#include <iterator>
#include <memory>
#include <optional>
#include <system_error>
#include <thread>

namespace {
// The live records the readers post, entered in the intake's look-up by their keys alone as
// they are posted again on the printing thread, which then drops them: the records of a large
// backup are several times its size, their keys a few bytes each.
template <class T>
void listLiveKeys(NSNotificationCenter& nc, const void* observer, const Notice<T>& notice,
                  PRDeletedRecordMerge& merge) {
    notice.observe(nc, observer, [&merge](const NSNotification& n) {
        if (const T* record = objectCast<T>(n.object().get())) merge.listLive(*record);
    });
}

// What the carvers post: the key hash of a record of the notice's class, worked out on the
// carving thread as it is posted (nothing when the object is not such a record); the start of
// its look-up; whether the intake keeps it. The same for a record known by its key alone (a
// record that is no such record is never taken). Progress values always pass.
using KeyOnly = PRDeletedRecordMerge::KeyOnly;
struct Carved {
    const NoticeName* notice;
    std::optional<uint64_t> (*hash)(const NSObjectPtr&);
    void (*prefetch)(const PRDeletedRecordMerge&, uint64_t);
    bool (*keep)(PRDeletedRecordMerge&, NSObjectPtr&, uint64_t);
    KeyOnly (*keyOnly)(const NSObjectPtr&);
    bool (*keepKey)(PRDeletedRecordMerge&, const KeyOnly&);
};
template <class T>
std::optional<uint64_t> hash(const NSObjectPtr& object) {
    const T* record = objectCast<T>(object.get());
    return record ? std::optional(PRDeletedRecordMerge::keyHash(*record)) : std::nullopt;
}
template <class T>
void prefetch(const PRDeletedRecordMerge& merge, uint64_t keyHash) {
    merge.prefetch<T>(keyHash);
}
// The record is moved to its class and back, not copied: each copy of a pointer to a record
// made on another thread costs an exchange on its counts.
template <class T, bool (PRDeletedRecordMerge::*handle)(const std::shared_ptr<T>&, uint64_t)>
bool keep(PRDeletedRecordMerge& merge, NSObjectPtr& object, uint64_t keyHash) {
    std::shared_ptr<T> record = std::static_pointer_cast<T>(std::move(object));
    const bool kept = (merge.*handle)(record, keyHash);
    object = std::move(record);
    return kept;
}
template <class T>
KeyOnly keyOnly(const NSObjectPtr& object) {
    const T* record = objectCast<T>(object.get());
    return record ? PRDeletedRecordMerge::keyOnly(*record) : KeyOnly();
}
template <class T>
bool keepKey(PRDeletedRecordMerge& merge, const KeyOnly& key) {
    return merge.takeInKey<T>(key);
}
template <class T, bool (PRDeletedRecordMerge::*handle)(const std::shared_ptr<T>&, uint64_t)>
constexpr Carved carved(const Notice<T>& notice) {
    return {&notice, hash<T>, prefetch<T>, keep<T, handle>, keyOnly<T>, keepKey<T>};
}
const Carved kCarved[] = {
    carved<PRContactNode, &PRDeletedRecordMerge::ScanDelContactInfomationHandle>(notices::ScanDelContactInfo),
    carved<PRMessageNode, &PRDeletedRecordMerge::ScanDelMessageInfomationHandle>(notices::ScanDelMessageInfo),
    carved<PRNoteNode, &PRDeletedRecordMerge::ScanDelNoteInfomationHandle>(notices::ScanDelNoteInfo),
    carved<PRCallHistoryNode, &PRDeletedRecordMerge::ScanDelCallHistoryInfomationHandle>(
        notices::ScanDelCallHistoryInfo),
    carved<PRBookMarkNode, &PRDeletedRecordMerge::scanDelBookMarkInfoHandle>(notices::scanDelBookMarkInfo),
    carved<PRCalenderNode, &PRDeletedRecordMerge::scanDelCalenderInfoHandle>(notices::scanDelCalenderInfo),
    {&notices::ScanProgressInfo, nullptr, nullptr, nullptr, nullptr, nullptr},
};
}  // namespace

DeletedRecordCarvers::DeletedRecordCarvers(NSNotificationCenter& read, NSNotificationCenter& posted,
                                           std::string backupFolder, bool countOnly)
    : read_(read), posted_(posted), folder_(std::move(backupFolder)), countOnly_(countOnly) {
    merge_.keepKeysOnly();
    listLiveKeys(posted, this, notices::ScanContactInfo, merge_);
    listLiveKeys(posted, this, notices::ScanMessageInfo, merge_);
    listLiveKeys(posted, this, notices::ScanNoteInfo, merge_);
    listLiveKeys(posted, this, notices::ScanCallHistoryInfo, merge_);
    listLiveKeys(posted, this, notices::scanBookMarkInfo, merge_);
    listLiveKeys(posted, this, notices::scanCalenderInfo, merge_);
    // The contacts name the numbers of carved messages and calls: kept only for a backup that
    // holds a database of either.
    if (carve::namesNumbers(folder_))
        notices::ScanContactInfo.observe(read, this, [this](PRContactNodePtr contact) {
            if (contact) contacts_.push_back(std::move(contact));
        });
}

DeletedRecordCarvers::~DeletedRecordCarvers() {
    read_.removeObserver(this);
    posted_.removeObserver(this);
    {
        std::lock_guard lock(mutex_);
        liveListed_ = true;  // a run ended early: the intake decides nothing more
        changed_.notify_all();
    }
    if (deciding_) deciding_->join();
}

void DeletedRecordCarvers::prepare(Schema schema) {
    std::lock_guard lock(mutex_);
    if (prepared_ || ended_) return;
    // The schema flags of the backup's iOS version, as when the backup is opened, or else the
    // readers', and the contacts read so far. The contact carver, which may be at work, reads
    // neither.
    PRBackupScanState& state = *state_;
    state.currentNodeIsiOS6Version = schema.ios6;
    state.bIOS7DeviceNode = schema.ios7;
    PRIOSDeviceController backups;
    backups.addDeviceNodeByPath(folder_);
    if (!backups.arrangedObjects().empty())
        state.currentNodeIsiOS6Version = state.IOSVersionIOS6(backups.arrangedObjects().front()->strIOSVersion());
    state.contactArray = std::move(contacts_);
    state.messageGroups = std::move(schema.groups);
    read_.removeObserver(this);
    prepared_ = true;
    changed_.notify_all();
}

void DeletedRecordCarvers::carve() {
    // The carvers run at the readers' priority, on the cores the process may use: a user waits
    // for both, and a carver at the lowest priority starves behind any other work the machine
    // has (twenty times as long with its cores busy) while saving the readers little.
    NSNotificationCenter carved;
    int observer = 0;
    for (size_t kind = 0; kind < std::size(kCarved); ++kind)
        kCarved[kind].notice->observe(carved, &observer, [this, kind](const NSNotification& n) {
            if (countOnly_ && kCarved[kind].keyOnly) {
                // Only its key waits; a record the intake never takes is not even counted.
                const KeyOnly key = kCarved[kind].keyOnly(n.object());
                if (key.take != KeyOnly::Take::never)
                    found_.push({nullptr, key.hash, key.second, static_cast<uint32_t>(kind), true, key.take});
                return;
            }
            const std::optional<uint64_t> hash = kCarved[kind].hash ? kCarved[kind].hash(n.object()) : std::nullopt;
            found_.push({n.object(), hash.value_or(0), 0, static_cast<uint32_t>(kind), hash.has_value()});
        });
    carve::CarveContext context(*state_, carved);
    context.listInState = false;  // each record is posted, and dropped once printed or counted
    context.log = [this](const std::string& line) {
        found_.push({NSString::stringWithString(line), 0, 0, kLogLine, false});
    };
    context.coverage = [this](const carve::CarveCoverage& coverage) { coverage_.push_back(coverage); };
    // Said of a file once its pages were looked through.
    context.layoutNote = [this](const std::string& file, const std::string& note) {
        for (auto it = coverage_.rbegin(); it != coverage_.rend(); ++it)
            if (it->file == file) {
                it->layouts.push_back(note);
                return;
            }
    };
    context.pastPeak = [this] { contactCarvePast(); };
    // Whatever ends the carve, the readers' contacts never wait for it longer.
    struct Past {
        DeletedRecordCarvers* carvers;
        ~Past() { carvers->contactCarvePast(); }
    } past{this};
    carve::carveAll(
        context, folder_, {},
        [this] {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return prepared_ || ended_; });
            return prepared_;
        },
        [this] { contactCarvePast(); });  // the contact carver is done, or had no address book
    carved.removeObserver(&observer);
    found_.close();
}

void DeletedRecordCarvers::waitForContactCarve() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return contactCarvePast_ || ended_; });
}

void DeletedRecordCarvers::contactCarvePast() {
    std::lock_guard lock(mutex_);
    contactCarvePast_ = true;
    changed_.notify_all();
}

void DeletedRecordCarvers::readersDone() {
    read_.removeObserver(this);
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
        changed_.notify_all();
        if (!prepared_) return;  // never prepared: carve() carves no more, and nothing is posted
    }
    // The intake decides on a thread of its own, from now on, while the readers' last records
    // are still being posted: the live records are entered in its look-up meanwhile, and the
    // poster then only posts what is kept (posting costs as much as deciding).
    try {
        deciding_.emplace([this] { decide(); });
    } catch (const std::system_error&) {
        // No thread: finish() decides everything first, then posts it.
    }
}

void DeletedRecordCarvers::decide() {
    // Nothing is decided before every live record is in the intake's look-up.
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return liveListed_; });
    }
    // Each record's look-up is started a few records ahead of taking it in, so that the
    // intake's table (larger than the caches for a million listed records) and the record,
    // made long before on the carving thread, are met warm.
    found_.takeAll(
        [this](Found& found) {
            if (keep(found)) kept_.push(std::move(found));
        },
        [this](const Found& found) {
            if (!found.hashed) return;
            kCarved[found.kind].prefetch(merge_, found.hash);
            prefetchShared(found.object.get());
        });
    kept_.close();
}

void DeletedRecordCarvers::finish() {
    {
        std::lock_guard lock(mutex_);
        liveListed_ = true;  // the readers' last record was posted before this
        changed_.notify_all();
        if (!prepared_) return;
    }
    posted_.removeObserver(this);
    // The readers' records, each dropped once posted, are all freed now; their heap's pages go
    // back while the carvers may still grow.
    heapgrowth::giveBackFreed();
    if (!deciding_) decide();
    kept_.takeAll([this](Found& found) { post(found); },
                  [](const Found& found) { prefetchShared(found.object.get()); });
    if (deciding_) {
        deciding_->join();
        deciding_.reset();
    }
}

bool DeletedRecordCarvers::keep(Found& found) {
    if (found.kind == kLogLine) return true;
    const Carved& carved = kCarved[found.kind];
    // A progress value passes; an object that is no record of its name's class is dropped.
    if (!carved.keep) return true;
    if (countOnly_) return carved.keepKey(merge_, {found.hash, found.second, found.take});
    return found.hashed && carved.keep(merge_, found.object, found.hash);
}

void DeletedRecordCarvers::post(Found& found) {
    if (found.kind == kLogLine) {
        // Logged as the carvers log, in its place among what they posted.
        PRBackupScanState none;
        NSNotificationCenter quiet;
        carve::CarveContext(none, quiet).writeLog(static_cast<const NSString&>(*found.object).UTF8String());
        return;
    }
    posted_.postNotificationName(kCarved[found.kind].notice->name(), std::move(found.object));
}
