// The worker threads of one page: jobs run on a worker pool and get its cancel flag, and the
// page cancels and waits for them when it goes. The wait keeps the main thread's events
// turning, because a worker may be blocked handing a result to the main thread.
#pragma once

#include "platform/WorkerPool.h"

#include <atomic>
#include <functional>

namespace browser {

class PageWorkers {
public:
    explicit PageWorkers(int maxWorkers = 1) : pool_(maxWorkers) {}
    // Cancels and waits (see cancelAndWait).
    ~PageWorkers();
    PageWorkers(const PageWorkers&) = delete;
    PageWorkers& operator=(const PageWorkers&) = delete;

    // Queues job; it gets the cancel flag to test between its steps.
    void start(std::function<void(const std::atomic<bool>& cancelled)> job);
    // Jobs queued or running.
    int pending() const { return pool_.pendingJobs(); }
    bool cancelled() const { return pool_.isCancelled(); }
    // Raises the cancel flag and waits until every job has ended (main thread: events turn).
    void cancelAndWait();

private:
    WorkerPool pool_;
};

}  // namespace browser
