// A small pool of detached worker threads for a page's removals, exports and scans: jobs queue
// up and at most maxWorkers of them run at once, however many rows a user acts on. Workers end
// when the queue is empty. Jobs may hand work to the main thread and wait.
//
// The pool's owner cancels and waits for it when it goes (the destructor does both): cancel()
// drops the queued jobs and tells the running ones to stop early, wait() returns once none runs.
// An owner on the main thread first cancels the hand-offs to itself (cancelMainThreadCalls), or
// a job waiting on one would never end; an owner whose hand-offs must still arrive waits with
// waitTurningEvents instead.
#pragma once

#include <atomic>
#include <functional>
#include <initializer_list>
#include <memory>

class QObject;

class WorkerPool {
public:
    explicit WorkerPool(int maxWorkers = 4);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // Queues job; once cancelled, the pool drops it.
    void enqueue(std::function<void()> job);
    void cancel();
    bool isCancelled() const;
    // The flag cancel() raises, for a job to test between its steps (valid while a job runs).
    const std::atomic<bool>& cancelFlag() const;
    void wait();
    // As wait(), but on the main thread its events keep turning meanwhile, so a job blocked
    // handing work to the main thread can finish.
    void waitTurningEvents();
    // Jobs queued or running.
    int pendingJobs() const;
    int runningWorkers() const;
    int maxWorkers() const;

    struct State;

private:
    std::shared_ptr<State> state_;
};

// An owner's teardown on the main thread: the hand-offs to owner are dropped (and their workers
// wake), then every pool is cancelled, then each is waited for.
void endWorkersOf(const QObject* owner, std::initializer_list<WorkerPool*> pools);
