#include "platform/Threads.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QPointer>
#include <QThread>
#include <QTimer>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>

namespace {

std::atomic<int> g_runningThreads{0};
std::atomic<bool> g_loopStopped{false};
std::mutex g_hookMutex;
QCoreApplication* g_hookedApp = nullptr;

// Notes when the event loop of the current application stops, so that waiting hand-offs
// give up instead of blocking for ever.
void watchApplication(QCoreApplication* app) {
    std::lock_guard<std::mutex> lock(g_hookMutex);
    if (g_hookedApp == app) return;
    g_hookedApp = app;
    g_loopStopped = false;
    QObject::connect(app, &QCoreApplication::aboutToQuit, [] { g_loopStopped = true; });
    QObject::connect(app, &QObject::destroyed, [] {
        g_loopStopped = true;
        std::lock_guard<std::mutex> l(g_hookMutex);
        g_hookedApp = nullptr;
    });
}

struct MainThreadCall {
    std::function<void()> fn;
    std::mutex mutex;
    std::condition_variable done;
    bool started = false;
    bool finished = false;
    bool cancelled = false;
};

}  // namespace

void NSThread::detachNewThread(std::function<void()> fn) {
    ++g_runningThreads;
    std::thread([fn = std::move(fn)] {
        fn();
        --g_runningThreads;
    }).detach();
}

bool NSThread::isMainThread() {
    QCoreApplication* app = QCoreApplication::instance();
    return !app || QThread::currentThread() == app->thread();
}

int NSThread::runningDetachedThreads() { return g_runningThreads.load(); }

void performOnMainThread(std::function<void()> fn, bool wait) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || NSThread::isMainThread()) {
        fn();
        return;
    }
    watchApplication(app);
    if (g_loopStopped) return;
    auto call = std::make_shared<MainThreadCall>();
    call->fn = std::move(fn);
    QMetaObject::invokeMethod(app, [call] {
        {
            std::lock_guard<std::mutex> lock(call->mutex);
            if (call->cancelled) return;
            call->started = true;
        }
        call->fn();
        std::lock_guard<std::mutex> lock(call->mutex);
        call->finished = true;
        call->done.notify_all();
    }, Qt::QueuedConnection);
    if (!wait) return;
    std::unique_lock<std::mutex> lock(call->mutex);
    while (!call->finished) {
        call->done.wait_for(lock, std::chrono::milliseconds(20));
        if (!call->started && g_loopStopped) {
            call->cancelled = true;
            return;
        }
    }
}

void performOnMainThread(const MainThreadReceiver& receiver, std::function<void()> fn, bool wait) {
    // Deletion of the receiver happens on the main thread too, so the check and the call
    // cannot be split by it.
    performOnMainThread([guard = receiver, fn = std::move(fn)] {
        if (guard) fn();
    }, wait);
}

struct NSTimer::State {
    std::chrono::milliseconds interval{0};
    bool repeats = false;
    Handler handler;
    std::atomic<bool> valid{true};
    QTimer* qtimer = nullptr;            // main thread only
    std::shared_ptr<NSTimer> keepAlive;  // the run loop's hold on a scheduled timer
};

NSTimerPtr NSTimer::scheduledTimer(std::chrono::milliseconds interval, bool repeats, Handler handler) {
    auto state = std::make_shared<State>();
    state->interval = interval;
    state->repeats = repeats;
    state->handler = std::move(handler);
    auto timer = std::make_shared<NSTimer>(state);
    state->keepAlive = timer;
    performOnMainThread([state] {
        if (!state->valid) {
            state->keepAlive.reset();
            return;
        }
        QCoreApplication* app = QCoreApplication::instance();
        if (!app) return;
        state->qtimer = new QTimer(app);
        state->qtimer->setInterval(static_cast<int>(state->interval.count()));
        state->qtimer->setSingleShot(!state->repeats);
        QObject::connect(state->qtimer, &QTimer::timeout, state->qtimer, [state] {
            std::shared_ptr<NSTimer> self = state->keepAlive;  // stays alive through its handler
            if (!self || !state->valid) return;
            state->handler(*self);
            if (!state->repeats) self->invalidate();
        });
        state->qtimer->start();
    }, false);
    return timer;
}

void NSTimer::invalidate() {
    if (!state_->valid.exchange(false)) return;
    std::shared_ptr<State> state = state_;
    performOnMainThread([state] {
        if (state->qtimer) {
            state->qtimer->stop();
            state->qtimer->deleteLater();
            state->qtimer = nullptr;
        }
        state->keepAlive.reset();
    }, false);
}

bool NSTimer::isValid() const { return state_->valid; }

NSTimer::~NSTimer() = default;

NSTimerPtr performAfterDelay(std::chrono::milliseconds delay, std::function<void()> fn) {
    return NSTimer::scheduledTimer(delay, false, [fn = std::move(fn)](NSTimer&) { fn(); });
}
