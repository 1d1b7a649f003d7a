// backup-dump --carve: beside the readers, the deleted-record carvers run over the backup's
// databases, and what they rebuild goes through the result screen's intake, so that rows the
// readers already listed (live rows) and repeats are not printed as deleted records.
//
// The carvers take nothing from the readers but the schema flags, the contacts (for the names
// of carved messages and calls; kept only where the backup holds either) and the message groups
// (a carved message of a group stands in it, as on the result screen), so they may carve, on a
// thread of their own, while the readers run: the deleted contacts from the start, then the
// message database's pages, the messages and the rest as soon as the contacts and the messages
// are read. What they find waits in a queue and goes through the intake only once the readers
// are done, in the order it was found: the output is the same as when the carvers ran after the
// readers.
//
// The readers' contacts wait for the contact carver to be past the most it holds (the rows its
// walk of the address book found, see CarveContext::pastPeak): a large address book's contacts
// being made and its carved rows are then never held at once, while the rest of the carve and
// the readers still run side by side.
//
// Four parties share the work: the readers' thread (whose records come on the centre read)
// calls prepare() once the contacts and messages are in and readersDone() after its last record; the
// thread that carves calls carve(); readersDone() starts a thread that decides what the intake
// keeps; the thread that posts the readers' records on the centre posted (where the intake
// enters each one's key, and keeps no record) calls finish() after the last of them, and posts
// there what the intake keeps as it is decided.
#pragma once

#include "HandOff.h"
#include "backup/PRBackupScanState.h"
#include "backup/carve/CarveDatabase.h"
#include "backup/carve/PRDeletedRecordMerge.h"
#include "platform/NotificationCenter.h"

#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <vector>

class DeletedRecordCarvers {
public:
    // The schema flags of the readers' scan state, as the contact reader leaves them.
    struct Schema {
        bool ios6 = false;
        bool ios7 = false;
        // The message groups the message reader read: a carved message of a group joins it.
        std::shared_ptr<const MessageGroups> groups;
    };

    // Starts collecting the records posted on read; the deleted records of the backup folder go
    // out on posted. With countOnly, what posted gets is only counted: each deleted record goes
    // out without its object (nullptr), and the carvers' records are dropped as they come, only
    // their keys waiting for the readers, so that the same records are counted in the same order
    // without half a million of them kept until the readers are done.
    DeletedRecordCarvers(NSNotificationCenter& read, NSNotificationCenter& posted, std::string backupFolder,
                         bool countOnly = false);
    ~DeletedRecordCarvers();
    DeletedRecordCarvers(const DeletedRecordCarvers&) = delete;
    DeletedRecordCarvers& operator=(const DeletedRecordCarvers&) = delete;

    // Gives the carvers the readers' schema flags (unless the backup's iOS version says
    // otherwise), their message groups and the contacts collected so far.
    void prepare(Schema schema);
    // Runs the six carvers, at the readers' priority, on as many threads as the process has cores
    // to use. The contact carver starts at once, then the message carver's page walk; what they
    // make of the rest waits until prepare() (or readersDone(), and is then not made).
    void carve();
    // On the readers' thread, before the contacts are read: returns once the contact carver is
    // past the most it holds, or done with the address book (or without one), however carve()
    // ends. carve() must be running, or come to run, meanwhile.
    void waitForContactCarve();
    // Once the readers' records are in: starts a thread to decide what the intake keeps of what
    // the carvers find, as soon as the last live record is posted.
    void readersDone();
    // After the readers' records are posted: posts on posted the deleted records the intake
    // keeps, under the carvers' notification names, with their progress values, as the carvers
    // find them, and returns when the carvers are done.
    void finish();

    // How much of each database the carvers looked through, in the order they carved; read once
    // carve() has returned.
    const std::vector<carve::CarveCoverage>& coverage() const { return coverage_; }

private:
    // What a carver gave, in the order given: a record or progress value to post (kind is the
    // place of its name in the carvers' list), or a log line (its text the object). Small, as
    // half a million of them may wait for the readers. With countOnly a record comes as its key
    // alone (hash, second and take), its object null.
    static constexpr uint32_t kLogLine = uint32_t(-1);
    struct Found {
        NSObjectPtr object;
        uint64_t hash = 0;  // a record's key hash in the intake's look-up, when hashed
        uint64_t second = 0;
        uint32_t kind = 0;
        bool hashed = false;
        PRDeletedRecordMerge::KeyOnly::Take take = PRDeletedRecordMerge::KeyOnly::Take::never;
    };
    // Whether the intake keeps what a carver gave (log lines and progress values pass), and
    // posting (or logging) what it kept, the record moved on.
    bool keep(Found& found);
    void post(Found& found);
    // Takes in everything the carvers give, handing what is kept to kept_.
    void decide();
    // Lets the readers' contacts go ahead (see waitForContactCarve()).
    void contactCarvePast();

    NSNotificationCenter& read_;
    NSNotificationCenter& posted_;
    PRDeletedRecordMerge merge_;
    HandOff<Found> found_;
    HandOff<Found> kept_;
    std::optional<std::thread> deciding_;  // none when no thread could start: finish() decides
    std::mutex mutex_;
    std::condition_variable changed_;
    const std::string folder_;
    const bool countOnly_;
    // The carvers' own: its contacts and schema flags set by prepare().
    std::unique_ptr<PRBackupScanState> state_ = std::make_unique<PRBackupScanState>();
    std::vector<PRContactNodePtr> contacts_;  // read so far, for prepare()
    bool prepared_ = false;
    bool contactCarvePast_ = false;  // see waitForContactCarve()
    bool liveListed_ = false;        // every live record's key is in the intake's look-up
    std::vector<carve::CarveCoverage> coverage_;
    bool ended_ = false;  // readersDone() was called
};
