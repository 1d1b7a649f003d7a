// backup-dump --carve: beside the readers, the deleted-record carvers run over the backup's
// databases, and what they rebuild goes through the result screen's intake, so that rows the
// readers already listed (live rows) and repeats are not printed as deleted records.
//
// The carvers take nothing from the readers but the schema flags and the contacts (for the
// names of carved messages and calls), so they may carve, on a thread of their own, as soon as
// the contacts are in, while the other readers run. What they find waits in a queue and goes
// through the intake only once the readers are done, in the order it was found: the output is
// the same as when the carvers ran after the readers.
//
// Three parties share the work: the thread that takes in the readers' records (the
// constructor's centre) calls prepare() once the contacts are in and finish() after the last
// record; the thread that carves calls carve(). finish() decides on a thread of its own what the
// intake keeps while its caller posts it.
#pragma once

#include "HandOff.h"
#include "backup/PRBackupScanState.h"
#include "backup/carve/PRDeletedRecordMerge.h"
#include "platform/NotificationCenter.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>

class DeletedRecordCarvers {
public:
    // The schema flags of the readers' scan state, as the contact reader leaves them.
    struct Schema {
        bool ios6 = false;
        bool ios7 = false;
    };

    // Starts collecting the records posted on nc.
    explicit DeletedRecordCarvers(NSNotificationCenter& nc);
    ~DeletedRecordCarvers();
    DeletedRecordCarvers(const DeletedRecordCarvers&) = delete;
    DeletedRecordCarvers& operator=(const DeletedRecordCarvers&) = delete;

    // Gives the carvers the backup folder, the readers' schema flags (unless the backup's iOS
    // version says otherwise) and the contacts collected so far.
    void prepare(const std::string& backupFolder, Schema schema);
    // Waits until prepare() (or finish(), then without carving), then runs the six carvers.
    void carve();
    // Once the readers' records are in: posts on nc the deleted records the intake keeps,
    // under the carvers' notification names, with their progress values, as the carvers find
    // them, and returns when the carvers are done.
    void finish();

private:
    // What a carver gave, in the order given: a record or progress value to post (kind is the
    // place of its name in the carvers' list), or a log line (its text the object). Small, as
    // half a million of them may wait for the readers.
    static constexpr uint32_t kLogLine = uint32_t(-1);
    struct Found {
        NSObjectPtr object;
        uint64_t hash = 0;  // a record's key hash in the intake's look-up, when hashed
        uint32_t kind = 0;
        bool hashed = false;
    };
    // Whether the intake keeps what a carver gave (log lines and progress values pass), and
    // posting (or logging) what it kept, the record moved on.
    bool keep(Found& found);
    void post(Found& found);

    NSNotificationCenter& nc_;
    PRDeletedRecordMerge merge_;
    HandOff<Found> found_;
    std::mutex mutex_;
    std::condition_variable changed_;
    std::string folder_;
    std::unique_ptr<PRBackupScanState> state_;  // set by prepare()
    bool ended_ = false;                        // finish() was called
};
