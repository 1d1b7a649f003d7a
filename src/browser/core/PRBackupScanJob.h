// One scan of a backup folder for the results screen: the readers in their fixed order (the
// manifest, contacts, messages, notes, calls, bookmarks, calendar), then the deleted-record
// carvers, as one worker. What they post on the default centre from this worker's thread goes
// into the job's own intake, so records of another scan can never land in it. A cancelled
// job stops at the next reader or carver and hands nothing over. A database whose journal
// holds rows is copied once, for its reader; its carver reads the original as it lies.
// The counts name the step under way. While the carvers work, the bar goes from where the
// readers left it to the end, each personal database weighing its bytes: half by the share of
// its pages looked through, half by the share of the deleted rows they gave that came in as
// records; told every carveTick, since a carve of a large message history posts nothing while
// it looks through the pages.
#pragma once

#include "browser/core/PRScanIntake.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

class MessageGroups;

struct PRBackupScanRequest {
    std::string backupFolder;
    std::string deviceName;    // the tree's root folder
    bool iOS6Schemas = false;  // the backup uses the newer database schemas (iOS 6 and later)
    bool iOS7 = false;         // the carvers' iOS 7 layouts
    bool carve = true;         // run the deleted-record carvers after the readers
};

namespace carve {
struct CarveProgress;
}

// A database of the backup whose journal could not be used.
struct JournalProblem {
    std::string category;  // the database's category ("Call History")
    std::string text;      // "the journal of the call history could not be read; calls as of ..."
};

class PRBackupScanJob : public std::enable_shared_from_this<PRBackupScanJob> {
public:
    explicit PRBackupScanJob(PRBackupScanRequest request);
    ~PRBackupScanJob();

    // onProgress when the counts changed (a progress value arrived, some time passed since the
    // last call, or the carvers looked through more pages), onFinished once at the end of a scan
    // that was not cancelled. Called on the worker, onProgress also on the thread that follows
    // the carvers, one call at a time. Set them before run() or start().
    std::function<void()> onProgress;
    std::function<void()> onFinished;
    // Least time between two onProgress calls for records alone.
    std::chrono::milliseconds progressInterval{40};
    // How often the carvers' progress is looked at while they work.
    std::chrono::milliseconds carveTick{100};

    // Runs the scan on the calling thread.
    void run();
    // Runs it on a detached worker thread.
    void start();
    // Asks the scan to stop; safe from any thread.
    void cancel() { cancelled_ = true; }
    bool isCancelled() const { return cancelled_; }
    bool isFinished() const;
    // Waits until the worker has ended, calling pump (the caller's event loop) between short
    // waits; false after timeout.
    bool waitUntilFinished(std::chrono::milliseconds timeout, const std::function<void()>& pump = {});

    const PRBackupScanRequest& request() const { return request_; }
    // The counts at the last onProgress (or the end); any thread.
    PRScanCounts counts() const;
    // What could not be read (a damaged file list or database), one sentence each; after the end.
    std::vector<std::string> problems() const;
    // The journals among them (backupJournalProblems), after the end.
    std::vector<JournalProblem> journalProblems() const;
    // The intake, handed over once after the end (null before, and after it was taken).
    std::shared_ptr<PRScanIntake> takeIntake();

private:
    void take(const NSNotification& notification);
    void publish(bool force);
    // The step and, while the carvers work, the bar's value from their progress, into counts_.
    void placeOnBar();
    void tellProgress();
    void runReaders();
    void runCarvers();
    // The bar and the step from the carvers' progress, told when either moved (from bytes,
    // the personal databases' sizes, and from, the bar's value when they started).
    void showCarving(const carve::CarveProgress& progress, const std::vector<int64_t>& bytes, int from);

    PRBackupScanRequest request_;
    std::shared_ptr<PRScanIntake> intake_;
    std::shared_ptr<const MessageGroups> messageGroups_;  // read by the readers, for the carvers
    std::atomic<bool> cancelled_{false};
    std::thread::id worker_;
    std::chrono::steady_clock::time_point lastPublish_{};
    mutable std::mutex mutex_;
    std::condition_variable ended_;
    bool finished_ = false;
    PRScanCounts counts_;
    std::mutex telling_;  // one onProgress call at a time
    std::atomic<int> step_{int(PRScanStep::Files)};
    std::atomic<bool> carving_{false};
    std::atomic<int> carvingPercent_{0};
    carve::CarveProgress* carveProgress_ = nullptr;  // while the carvers work
    std::vector<std::string> problems_;
    std::vector<JournalProblem> journalProblems_;
    std::shared_ptr<PRScanIntake> handed_;
};

using PRBackupScanJobPtr = std::shared_ptr<PRBackupScanJob>;

// Which files of a backup folder could not be read: the file list (Manifest.mbdb) and the
// personal databases, checked by their headers and lengths without opening them for writing.
// One sentence per damaged file; a missing database is no problem (the device had none).
// A journal SQLite could not use is one too: "The journal of the call history could not be read;
// calls as of the last checkpoint." (the records read are those of the main file).
std::vector<std::string> backupReadProblems(const std::string& backupFolder);
// The journals alone, each with its database's category ("Call History", "Contact pictures") and
// as "the journal of the call history could not be read; calls as of the last checkpoint", for
// the lines that count what a recovery wrote.
std::vector<JournalProblem> backupJournalProblems(const std::string& backupFolder);
