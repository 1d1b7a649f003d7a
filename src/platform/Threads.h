// Detached worker threads, the hand-off of work to the main thread, and main-thread timers.
#pragma once

#include <QObject>
#include <QPointer>

#include <chrono>
#include <functional>
#include <memory>

namespace NSThread {
// Starts fn on a new detached thread.
void detachNewThread(std::function<void()> fn);
// True on the thread that runs the Qt event loop (or, without an application, always).
bool isMainThread();
// How many detached threads are still running; tests wait for it to reach 0.
int runningDetachedThreads();
}  // namespace NSThread

// Runs fn on the main thread. On the main thread itself (or without a Qt application) it runs
// inline. With wait, the caller blocks until fn has run; once the event loop has stopped, a
// call that has not started is dropped instead of blocking for ever.
void performOnMainThread(std::function<void()> fn, bool wait);

// A weak handle on a main-thread object (a page, a controller). Take it on the main thread,
// when the worker is started, and let the worker capture the handle: a raw pointer turned into
// a handle on the worker may already dangle.
using MainThreadReceiver = QPointer<const QObject>;

// The same, tied to a receiver: once the receiver is destroyed, a call that has not started is
// dropped, and a waiting caller returns. Workers hand their results to a page through this
// overload, never by capturing a raw page pointer.
void performOnMainThread(const MainThreadReceiver& receiver, std::function<void()> fn, bool wait);

// A timer on the main thread. Made from any thread; invalidate() stops it, also before it
// first fires, and from inside its own handler.
class NSTimer : public std::enable_shared_from_this<NSTimer> {
public:
    using Handler = std::function<void(NSTimer&)>;
    static std::shared_ptr<NSTimer> scheduledTimer(std::chrono::milliseconds interval, bool repeats, Handler handler);
    void invalidate();
    bool isValid() const;
    ~NSTimer();

    struct State;
    explicit NSTimer(std::shared_ptr<State> state) : state_(std::move(state)) {}

private:
    std::shared_ptr<State> state_;
};

using NSTimerPtr = std::shared_ptr<NSTimer>;

// Runs fn once on the main thread after delay; the returned timer cancels it.
NSTimerPtr performAfterDelay(std::chrono::milliseconds delay, std::function<void()> fn);
