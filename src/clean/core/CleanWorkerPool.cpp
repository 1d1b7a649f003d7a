#include "clean/core/CleanWorkerPool.h"

#include "platform/Threads.h"

#include <deque>
#include <mutex>

namespace clean {

struct CleanWorkerPool::State {
    std::mutex mutex;
    std::deque<std::function<void()>> queue;
    int maxWorkers = 1;
    int workers = 0;
    int running = 0;  // jobs being run

    // Each worker holds the state, so the pool may go while its last jobs finish.
    static void work(const std::shared_ptr<State>& state) {
        for (;;) {
            std::function<void()> job;
            {
                std::lock_guard<std::mutex> lock(state->mutex);
                if (state->queue.empty()) {
                    --state->workers;
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

CleanWorkerPool::CleanWorkerPool(int maxWorkers) : state_(std::make_shared<State>()) {
    state_->maxWorkers = maxWorkers < 1 ? 1 : maxWorkers;
}

CleanWorkerPool::~CleanWorkerPool() = default;

void CleanWorkerPool::enqueue(std::function<void()> job) {
    bool startWorker = false;
    {
        std::lock_guard<std::mutex> lock(state_->mutex);
        state_->queue.push_back(std::move(job));
        if (state_->workers < state_->maxWorkers) {
            ++state_->workers;
            startWorker = true;
        }
    }
    if (startWorker) NSThread::detachNewThread([state = state_] { State::work(state); });
}

int CleanWorkerPool::pendingJobs() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return int(state_->queue.size()) + state_->running;
}

int CleanWorkerPool::runningWorkers() const {
    std::lock_guard<std::mutex> lock(state_->mutex);
    return state_->workers;
}

int CleanWorkerPool::maxWorkers() const { return state_->maxWorkers; }

}  // namespace clean
