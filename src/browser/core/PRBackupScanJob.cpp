#include "browser/core/PRBackupScanJob.h"

#include "backup/PRBackupManifestReader.h"
#include "backup/PRBackupScanState.h"
#include "backup/PRBookMarkReader.h"
#include "backup/PRCalenderReader.h"
#include "backup/PRCallHistoryReader.h"
#include "backup/PRContactReader.h"
#include "backup/PRMessageReader.h"
#include "backup/PRNoteReader.h"
#include "backup/carve/CarveAll.h"
#include "platform/Threads.h"

PRBackupScanJob::PRBackupScanJob(PRBackupScanRequest request)
    : request_(std::move(request)), intake_(std::make_shared<PRScanIntake>(request_.deviceName)) {}

PRBackupScanJob::~PRBackupScanJob() = default;

void PRBackupScanJob::start() {
    auto self = shared_from_this();
    NSThread::detachNewThread([self] { self->run(); });
}

void PRBackupScanJob::take(const NSNotification& notification) {
    // Another scan, or a reader of another page, may post under the same names at the same time.
    if (std::this_thread::get_id() != worker_ || !intake_) return;
    intake_->take(notification);
    publish(notification.name() == "ScanProgressInfo");
}

void PRBackupScanJob::publish(bool force) {
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastPublish_ < progressInterval) return;
    lastPublish_ = now;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        counts_ = intake_->counts();
    }
    if (onProgress && !cancelled_) onProgress();
}

void PRBackupScanJob::runReaders() {
    PRBackupScanState state;
    state.resetScanArrays();
    state.currentNodeIsiOS6Version = request_.iOS6Schemas;
    state.bIOS7DeviceNode = request_.iOS7;
    const std::string& folder = request_.backupFolder;
    const std::function<void()> readers[] = {
        [&] { PRBackupManifestReader(state).scanDirAnalyThread(folder); },
        [&] { PRContactReader(state).scanContactThread(folder); },
        [&] { PRMessageReader(state).scanMessageThread(folder); },
        [&] { PRNoteReader().scanNoteThread(folder); },
        [&] { PRCallHistoryReader(state).scanCallHistoryThread(folder); },
        [&] { PRBookMarkReader().scanBookMarkThread(folder); },
        [&] { PRCalenderReader(state).scanCalenderThread(folder); },
    };
    for (const auto& reader : readers) {
        if (cancelled_) break;
        reader();
    }
    messageGroups_ = state.messageGroups;
    state.removeSomeArray();
}

void PRBackupScanJob::runCarvers() {
    PRBackupScanState state;
    state.resetScanArrays();
    state.currentNodeIsiOS6Version = request_.iOS6Schemas;
    state.bIOS7DeviceNode = request_.iOS7;
    state.contactArray = intake_->contactArray();     // the names of carved messages and calls
    state.messageGroups = std::move(messageGroups_);  // the groups of carved messages
    carve::CarveContext context(state, NSNotificationCenter::defaultCenter());
    carve::carveAll(context, request_.backupFolder, [this] { return cancelled_.load(); });
    state.removeSomeArray();
}

void PRBackupScanJob::run() {
    worker_ = std::this_thread::get_id();
    NSNotificationCenter& nc = NSNotificationCenter::defaultCenter();
    for (const std::string& name : PRScanIntake::notificationNames())
        nc.addObserver(this, name, [this](const NSNotification& n) { take(n); });
    runReaders();
    if (!cancelled_ && request_.carve) runCarvers();
    nc.removeObserver(this);

    std::vector<std::string> problems =
        cancelled_ ? std::vector<std::string>() : backupReadProblems(request_.backupFolder);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        counts_ = intake_->counts();
        problems_ = std::move(problems);
        if (!cancelled_) handed_ = std::move(intake_);
        intake_.reset();
    }
    if (!cancelled_ && onFinished) onFinished();
    std::lock_guard<std::mutex> lock(mutex_);
    finished_ = true;
    ended_.notify_all();
}

bool PRBackupScanJob::isFinished() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return finished_;
}

bool PRBackupScanJob::waitUntilFinished(std::chrono::milliseconds timeout, const std::function<void()>& pump) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock<std::mutex> lock(mutex_);
    while (!finished_) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        if (pump) {
            lock.unlock();
            pump();
            lock.lock();
        }
        ended_.wait_for(lock, std::chrono::milliseconds(5));
    }
    return true;
}

PRScanCounts PRBackupScanJob::counts() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return counts_;
}

std::vector<std::string> PRBackupScanJob::problems() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return problems_;
}

std::shared_ptr<PRScanIntake> PRBackupScanJob::takeIntake() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::move(handed_);
}
