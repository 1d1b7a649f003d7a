#include "browser/core/PRBackupScanJob.h"

#include "backup/BackupNotices.h"
#include "backup/PRBackupManifestReader.h"
#include "backup/PRBackupScanState.h"
#include "backup/PRBookMarkReader.h"
#include "backup/PRCalenderReader.h"
#include "backup/PRCallHistoryReader.h"
#include "backup/PRContactReader.h"
#include "backup/PRMessageReader.h"
#include "backup/PRNoteReader.h"
#include "backup/carve/CarveAll.h"
#include "browser/core/PersonalDatabases.h"
#include "platform/Threads.h"
#include "platform/UsableCores.h"

#include <algorithm>
#include <sys/stat.h>

namespace {

// The bytes of each personal database with its journal log, in the order the carvers look
// through them: what each carver's pages weigh on the bar.
std::vector<int64_t> carvedBytes(const std::string& folder) {
    std::vector<int64_t> bytes;
    for (const PersonalDatabase& database : personalDatabases()) {
        int64_t size = 0;
        const std::string path = personalDatabaseIn(folder, database);
        struct stat info {};
        if (!path.empty() && ::stat(path.c_str(), &info) == 0) size += info.st_size;
        if (!path.empty() && ::stat((path + "-wal").c_str(), &info) == 0 && S_ISREG(info.st_mode)) size += info.st_size;
        bytes.push_back(size);
    }
    return bytes;
}

// How far the carver at work is with its database: half by its page images looked through, half
// by the deleted rows they gave that came in as records.
double carverShare(const carve::CarveProgress& progress) {
    const int64_t images = progress.images, looked = progress.lookedThrough;
    const int64_t rows = progress.deletedRows, records = progress.records;
    if (images <= 0) return 0;
    const double pages = std::min(1.0, double(looked) / double(images));
    const double made = rows < 0 ? 0.0 : rows == 0 ? 1.0 : std::min(1.0, double(records) / double(rows));
    return (pages + made) / 2;
}

// The share of the carve done: the databases before the one at work whole, that one by how far
// its carver is.
double carvedShare(const carve::CarveProgress& progress, const std::vector<int64_t>& bytes) {
    const int carver = progress.carver;
    if (carver < 0 || bytes.empty()) return 0;
    const size_t at = std::min(size_t(carver), bytes.size());
    double done = 0, total = 0;
    for (size_t k = 0; k < bytes.size(); ++k) {
        total += double(bytes[k]);
        if (k < at) done += double(bytes[k]);
    }
    if (at < bytes.size()) done += double(bytes[at]) * carverShare(progress);
    return total > 0 ? done / total : double(at) / double(bytes.size());
}

// The records each carver looks for, in their order (carve/CarveAll.h).
constexpr PRScanStep kCarverSteps[] = {PRScanStep::Contacts, PRScanStep::Messages,  PRScanStep::Notes,
                                       PRScanStep::Calls,    PRScanStep::Bookmarks, PRScanStep::Calendar};

}  // namespace

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
    if (carveProgress_ && std::any_of(std::begin(notices::carvedRecords), std::end(notices::carvedRecords),
                                      [&](const NoticeName* carved) { return carved->is(notification); }))
        ++carveProgress_->records;
    publish(notices::ScanProgressInfo.is(notification));
}

void PRBackupScanJob::publish(bool force) {
    const auto now = std::chrono::steady_clock::now();
    if (!force && now - lastPublish_ < progressInterval) return;
    lastPublish_ = now;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        const int shown = counts_.percent;
        counts_ = intake_->counts();
        placeOnBar();
        // The readers' own values do not come in their order (the notes end at 70, the call
        // history after them at 60): the bar never goes back.
        counts_.percent = std::max(shown, counts_.percent);
    }
    tellProgress();
}

void PRBackupScanJob::placeOnBar() {
    counts_.step = PRScanStep(step_.load());
    counts_.lookingForDeleted = carving_;
    // The carvers' own values say only which of them ended.
    if (carving_) counts_.percent = carvingPercent_;
}

void PRBackupScanJob::tellProgress() {
    std::lock_guard<std::mutex> lock(telling_);
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
    for (size_t k = 0; k < std::size(readers); ++k) {
        if (cancelled_) break;
        step_ = int(k);  // the readers go in the order of the steps
        publish(true);
        readers[k]();
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
    carve::CarveProgress progress;
    context.progress = &progress;
    carveProgress_ = &progress;
    const std::vector<int64_t> bytes = carvedBytes(request_.backupFolder);
    const int from = counts().percent;
    carvingPercent_ = from;
    step_ = int(kCarverSteps[0]);
    carving_ = true;
    publish(true);

    // The carvers post nothing while they look through pages: their progress is followed here.
    std::mutex ticks;
    std::condition_variable stop;
    bool carved = false;
    std::thread follower([&] {
        std::unique_lock<std::mutex> lock(ticks);
        while (!stop.wait_for(lock, carveTick, [&] { return carved; })) showCarving(progress, bytes, from);
    });
    carve::carveAll(context, request_.backupFolder, [this] { return cancelled_.load(); });
    {
        std::lock_guard<std::mutex> lock(ticks);
        carved = true;
    }
    stop.notify_all();
    follower.join();
    carveProgress_ = nullptr;
    if (!cancelled_) {
        carvingPercent_ = 100;
        publish(true);
    }
    state.removeSomeArray();
}

void PRBackupScanJob::showCarving(const carve::CarveProgress& progress, const std::vector<int64_t>& bytes, int from) {
    const int carver = std::clamp(progress.carver.load(), 0, int(std::size(kCarverSteps)) - 1);
    // Forward only: a carver's start may be seen before the end of the one before.
    const int percent = std::max(carvingPercent_.load(), from + int(double(100 - from) * carvedShare(progress, bytes)));
    const int step = int(kCarverSteps[carver]);
    if (percent == carvingPercent_ && step == step_) return;
    carvingPercent_ = percent;
    step_ = step;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        placeOnBar();
    }
    tellProgress();
}

void PRBackupScanJob::run() {
    // The scan's pools (the readers' parts, the carvers' threads) leave one core to the window,
    // which must answer a click at once while they work.
    const usablecores::KeepOneCoreFree windowsCore;
    worker_ = std::this_thread::get_id();
    NSNotificationCenter& nc = NSNotificationCenter::defaultCenter();
    for (const NoticeName* notice : PRScanIntake::observedNotices())
        notice->observe(nc, this, [this](const NSNotification& n) { take(n); });
    runReaders();
    if (!cancelled_ && request_.carve) runCarvers();
    nc.removeObserver(this);

    std::vector<std::string> problems =
        cancelled_ ? std::vector<std::string>() : backupReadProblems(request_.backupFolder);
    std::vector<JournalProblem> journals =
        cancelled_ ? std::vector<JournalProblem>() : backupJournalProblems(request_.backupFolder);
    {
        std::lock_guard<std::mutex> lock(mutex_);
        counts_ = intake_->counts();
        problems_ = std::move(problems);
        journalProblems_ = std::move(journals);
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

std::vector<JournalProblem> PRBackupScanJob::journalProblems() const {
    std::lock_guard<std::mutex> lock(mutex_);
    return journalProblems_;
}

std::shared_ptr<PRScanIntake> PRBackupScanJob::takeIntake() {
    std::lock_guard<std::mutex> lock(mutex_);
    return std::move(handed_);
}
