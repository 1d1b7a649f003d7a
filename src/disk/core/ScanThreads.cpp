#include "disk/core/ScanThreads.h"

#include "platform/Threads.h"

#include <QCoreApplication>
#include <condition_variable>
#include <mutex>

namespace disk {

struct ScanThreads::State {
    std::atomic<bool> stop{false};
    std::mutex mutex;
    std::condition_variable ended;
    int running = 0;
};

ScanThreads::ScanThreads() : state_(std::make_shared<State>()) {}

ScanThreads::~ScanThreads() { stop(); }

void ScanThreads::start(Job job) {
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        if (state_->stop) return;
        ++state_->running;
    }
    // The thread holds the state, so an owner that did not wait does not leave it dangling.
    NSThread::detachNewThread([state = state_, job = std::move(job)] {
        job(state->stop);
        std::lock_guard<std::mutex> lock(state->mutex);
        --state->running;
        state->ended.notify_all();
    });
}

void ScanThreads::stop() { state_->stop = true; }

bool ScanThreads::stopping() const { return state_->stop; }

int ScanThreads::running() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->running;
}

bool ScanThreads::wait(std::chrono::milliseconds timeout, const std::function<void()>& pump) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    std::unique_lock<std::mutex> lock(state_->mutex);
    while (state_->running > 0) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        if (pump) {
            lock.unlock();
            pump();
            lock.lock();
        }
        state_->ended.wait_for(lock, std::chrono::milliseconds(5));
    }
    return true;
}

void ScanThreads::stopAndWait(std::chrono::milliseconds timeout) {
    stop();
    QCoreApplication* app = QCoreApplication::instance();
    const bool onMainThread = app && NSThread::isMainThread();
    wait(timeout, [app, onMainThread] {
        if (onMainThread) QCoreApplication::sendPostedEvents(app, QEvent::MetaCall);
    });
}

}  // namespace disk
