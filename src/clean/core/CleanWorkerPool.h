// A small pool of detached worker threads for the removals and exports of the clean pages:
// jobs queue up and at most maxWorkers of them run at once, however many rows a user acts on.
// Workers end when the queue is empty. Jobs may hand work to the main thread and wait.
#pragma once

#include <functional>
#include <memory>

namespace clean {

class CleanWorkerPool {
public:
    explicit CleanWorkerPool(int maxWorkers = 4);
    ~CleanWorkerPool();
    CleanWorkerPool(const CleanWorkerPool&) = delete;
    CleanWorkerPool& operator=(const CleanWorkerPool&) = delete;

    void enqueue(std::function<void()> job);
    // Jobs queued or running.
    int pendingJobs() const;
    int runningWorkers() const;
    int maxWorkers() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace clean
