// The disk manager's scan threads: each job runs on its own detached thread and is handed a
// stop flag. The owner stops them and waits for them before it goes, turning its own hand-offs
// meanwhile so that a job waiting for the main thread can see the flag and end.
#pragma once

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>

namespace disk {

class ScanThreads {
public:
    ScanThreads();
    ~ScanThreads();
    ScanThreads(const ScanThreads&) = delete;
    ScanThreads& operator=(const ScanThreads&) = delete;

    using Job = std::function<void(const std::atomic<bool>& stop)>;
    // Starts job on a new thread; nothing starts once stop() was called.
    void start(Job job);
    // Asks every job to end.
    void stop();
    bool stopping() const;
    int running() const;
    // Waits until every job has ended, calling pump between short waits (the page delivers
    // its pending main-thread calls there). False when timeout passed first.
    bool wait(std::chrono::milliseconds timeout, const std::function<void()>& pump = {});
    // An owner's teardown: stops every job and waits for them; on the main thread the pending
    // main-thread calls are delivered meanwhile (the owner drops them), so that a job waiting for
    // one sees the stop and ends.
    void stopAndWait(std::chrono::milliseconds timeout = std::chrono::seconds(60));

    struct State;

private:
    std::shared_ptr<State> state_;
};

}  // namespace disk
