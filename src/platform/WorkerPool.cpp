#include "platform/WorkerPool.h"

#include "platform/Threads.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <mutex>

struct WorkerPool::State {
    std::mutex mutex;
    std::deque<std::function<void()>> queue;
    int maxWorkers = 1;
    int workers = 0;
    int running = 0;  // jobs being run
    std::atomic<bool> cancelled{false};
    std::condition_variable idle;  // workers reached 0

    // Each worker holds the state: it still touches it after waking the waiting owner.
    static void work(const std::shared_ptr<State>& state) {
        for (;;) {
            std::function<void()> job;
            {
                std::lock_guard<std::mutex> lock(state->mutex);
                if (state->queue.empty()) {
                    if (--state->workers == 0) state->idle.notify_all();
                    return;
                }
                job = std::move(state->queue.front());
                state->queue.pop_front();
                ++state->running;
            }
            job();
            std::lock_guard<std::mutex> lock(state->mutex);
            --state->running;
        }
    }
};

WorkerPool::WorkerPool(int maxWorkers) : state_(std::make_shared<State>()) {
    state_->maxWorkers = maxWorkers < 1 ? 1 : maxWorkers;
}

WorkerPool::~WorkerPool() {
    cancel();
    wait();
}

void WorkerPool::cancel() {
    std::lock_guard<std::mutex> lock(state_->mutex);
    state_->cancelled = true;
    state_->queue.clear();
}

bool WorkerPool::isCancelled() const { return state_->cancelled.load(); }

const std::atomic<bool>& WorkerPool::cancelFlag() const { return state_->cancelled; }

void WorkerPool::wait() {
    std::unique_lock<std::mutex> lock(state_->mutex);
    state_->idle.wait(lock, [this] { return state_->workers == 0; });
}

void WorkerPool::waitTurningEvents() {
    if (!NSThread::isMainThread() || !QCoreApplication::instance()) return wait();
    while (runningWorkers() > 0) QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents, 10);
}

void WorkerPool::enqueue(std::function<void()> job) {
    bool startWorker = false;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        if (state_->cancelled) return;
        state_->queue.push_back(std::move(job));
        if (state_->workers < state_->maxWorkers) {
            ++state_->workers;
            startWorker = true;
        }
    }
    if (startWorker) NSThread::detachNewThread([state = state_] { State::work(state); });
}

int WorkerPool::pendingJobs() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return int(state_->queue.size()) + state_->running;
}

int WorkerPool::runningWorkers() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->workers;
}

int WorkerPool::maxWorkers() const { return state_->maxWorkers; }

void endWorkersOf(const QObject* owner, std::initializer_list<WorkerPool*> pools) {
    cancelMainThreadCalls(owner);
    for (WorkerPool* pool : pools) pool->cancel();
    for (WorkerPool* pool : pools) pool->wait();
}
