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
#include <unordered_map>
#include <unordered_set>
#include <vector>

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

namespace {

// The receivers whose owners have cancelled their calls, and the calls still pending for each.
// Guarded by one mutex so that a call cannot slip between a cancellation and its owner's wait.
std::mutex g_receiverMutex;
std::unordered_map<const QObject*, std::vector<std::weak_ptr<MainThreadCall>>> g_pendingCalls;
std::unordered_set<const QObject*> g_closedReceivers;

// Queues call on the main thread and, with wait, blocks until it has run or is dropped.
void postCall(QCoreApplication* app, const std::shared_ptr<MainThreadCall>& call, bool wait) {
    QMetaObject::invokeMethod(
        app,
        [call] {
            {
                std::lock_guard<std::mutex> lock(call->mutex);
                if (call->cancelled) return;
                call->started = true;
            }
            call->fn();
            std::lock_guard<std::mutex> lock(call->mutex);
            call->finished = true;
            call->done.notify_all();
        },
        Qt::QueuedConnection);
    if (!wait) return;
    std::unique_lock<std::mutex> lock(call->mutex);
    while (!call->finished && !call->cancelled) {
        call->done.wait_for(lock, std::chrono::milliseconds(20));
        if (!call->started && g_loopStopped) {
            call->cancelled = true;
            return;
        }
    }
}

}  // namespace

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
    postCall(app, call, wait);
}

void performOnMainThread(const QObject* receiver, std::function<void()> fn, bool wait) {
    QCoreApplication* app = QCoreApplication::instance();
    if (!app || NSThread::isMainThread()) {
        {
            std::lock_guard<std::mutex> lock(g_receiverMutex);
            if (g_closedReceivers.count(receiver)) return;
        }
        if (receiver) fn();
        return;
    }
    watchApplication(app);
    if (g_loopStopped) return;
    auto call = std::make_shared<MainThreadCall>();
    {
        std::lock_guard<std::mutex> lock(g_receiverMutex);
        if (!receiver || g_closedReceivers.count(receiver)) return;
        // Deletion of the receiver happens on the main thread too, so the check and the call
        // cannot be split by it.
        QPointer<const QObject> guard(receiver);
        call->fn = [guard, fn = std::move(fn)] {
            if (guard) fn();
        };
        auto& pending = g_pendingCalls[receiver];
        std::erase_if(pending, [](const std::weak_ptr<MainThreadCall>& c) { return c.expired(); });
        pending.push_back(call);
    }
    postCall(app, call, wait);
}

void cancelMainThreadCalls(const QObject* receiver) {
    if (!receiver) return;
    std::vector<std::weak_ptr<MainThreadCall>> pending;
    {
        std::lock_guard<std::mutex> lock(g_receiverMutex);
        if (g_closedReceivers.insert(receiver).second) {
            // The address may serve a new object once this one is gone.
            QObject::connect(receiver, &QObject::destroyed, [receiver] {
                std::lock_guard<std::mutex> l(g_receiverMutex);
                g_closedReceivers.erase(receiver);
            });
        }
        if (auto it = g_pendingCalls.find(receiver); it != g_pendingCalls.end()) {
            pending = std::move(it->second);
            g_pendingCalls.erase(it);
        }
    }
    for (const auto& weak : pending) {
        const std::shared_ptr<MainThreadCall> call = weak.lock();
        if (!call) continue;
        std::lock_guard<std::mutex> lock(call->mutex);
        if (call->started) continue;
        call->cancelled = true;
        call->done.notify_all();
    }
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
    performOnMainThread(
        [state] {
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
        },
        false);
    return timer;
}

void NSTimer::invalidate() {
    if (!state_->valid.exchange(false)) return;
    std::shared_ptr<State> state = state_;
    performOnMainThread(
        [state] {
            if (state->qtimer) {
                state->qtimer->stop();
                state->qtimer->deleteLater();
                state->qtimer = nullptr;
            }
            state->keepAlive.reset();
        },
        false);
}

bool NSTimer::isValid() const { return state_->valid; }

NSTimer::~NSTimer() = default;

NSTimerPtr performAfterDelay(std::chrono::milliseconds delay, std::function<void()> fn) {
    return NSTimer::scheduledTimer(delay, false, [fn = std::move(fn)](NSTimer&) { fn(); });
}
