// Detached worker threads, the hand-off of work to the main thread, and main-thread timers.
#pragma once

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

class QObject;
template <typename T>
class QPointer;
// A weak handle on a main-thread object, for a worker that may outlive its page's wait (taken on
// the main thread when the worker starts; it turns into a null receiver once the page is gone).
using MainThreadReceiver = QPointer<const QObject>;

// The same, tied to a receiver living on the main thread (a page, a controller): once the
// receiver is destroyed, a call that has not started is dropped, and a waiting caller returns.
// Workers hand their results to a page through this overload, never by capturing a raw pointer
// that may dangle by the time the main thread runs the call. The receiver must be alive when
// the call is made: its owner waits for the workers that call it (see below).
void performOnMainThread(const QObject* receiver, std::function<void()> fn, bool wait);

// For an owner about to wait for its workers on the main thread: drops the calls to receiver
// that have not started, wakes their waiting callers, and drops every later call to it until it
// is destroyed. A worker waiting on a hand-off then cannot hold its owner's teardown.
void cancelMainThreadCalls(const QObject* receiver);

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
