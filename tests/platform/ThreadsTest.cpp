#include "TestSupport.h"
#include "platform/Threads.h"

#include <QCoreApplication>
#include <QPointer>
#include <QThread>
#include <atomic>
#include <memory>
#include <thread>

using namespace std::chrono_literals;
using testsupport::waitUntil;

TEST(MainThreadHandOff, RunsInlineOnTheMainThread) {
    bool ran = false;
    performOnMainThread([&] { ran = true; }, true);
    EXPECT_TRUE(ran);
    EXPECT_TRUE(NSThread::isMainThread());
}

TEST(MainThreadHandOff, WorkerWaitsForTheMainThreadInOrder) {
    std::vector<int> order;
    std::atomic<bool> workerDone{false};
    std::atomic<bool> ranOnMain{true};
    NSThread::detachNewThread([&] {
        EXPECT_FALSE(NSThread::isMainThread());
        for (int i = 0; i < 5; ++i)
            performOnMainThread(
                [&, i] {
                    if (QThread::currentThread() != QCoreApplication::instance()->thread()) ranOnMain = false;
                    order.push_back(i);
                },
                true);
        // With wait, each call has run by the time it returns.
        EXPECT_EQ(order.size(), 5u);
        workerDone = true;
    });
    ASSERT_TRUE(waitUntil([&] { return workerDone.load(); }));
    EXPECT_TRUE(ranOnMain);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2, 3, 4}));
    EXPECT_TRUE(testsupport::waitForWorkers());
}

TEST(MainThreadHandOff, CallsToAGoneReceiverAreDropped) {
    auto receiver = std::make_unique<QObject>();
    std::atomic<int> ran{0};
    std::atomic<bool> firstDone{false}, secondMayGo{false}, queued{false}, workerDone{false};
    NSThread::detachNewThread([&, r = MainThreadReceiver(receiver.get())] {
        performOnMainThread(
            r, [&] { ++ran; }, true);  // receiver alive: runs
        firstDone = true;
        while (!secondMayGo) std::this_thread::sleep_for(1ms);
        performOnMainThread(
            r, [&] { ++ran; }, false);  // queued, receiver gone before it runs
        queued = true;
        workerDone = true;
    });
    ASSERT_TRUE(waitUntil([&] { return firstDone.load(); }));
    // From here without turning the event loop, so the queued call cannot run before the
    // receiver goes.
    secondMayGo = true;
    while (!queued) std::this_thread::sleep_for(1ms);
    receiver.reset();
    ASSERT_TRUE(waitUntil([&] { return workerDone.load(); }));
    QCoreApplication::processEvents();
    EXPECT_EQ(ran.load(), 1);
    EXPECT_TRUE(testsupport::waitForWorkers());
}

TEST(MainThreadHandOff, WithoutWaitRunsLater) {
    std::atomic<int> value{0};
    std::atomic<bool> posted{false};
    NSThread::detachNewThread([&] {
        performOnMainThread([&] { value = 1; }, false);
        posted = true;
    });
    ASSERT_TRUE(waitUntil([&] { return posted && value == 1; }));
    EXPECT_TRUE(testsupport::waitForWorkers());
}

TEST(Timers, OneShotFiresOnceAndRepeatingFiresUntilInvalidated) {
    int once = 0, repeated = 0;
    performAfterDelay(10ms, [&] { ++once; });
    auto timer = NSTimer::scheduledTimer(5ms, true, [&](NSTimer& t) {
        if (++repeated == 3) t.invalidate();
    });
    ASSERT_TRUE(waitUntil([&] { return once == 1 && repeated == 3; }));
    testsupport::spinEventLoop(50ms);
    EXPECT_EQ(once, 1);
    EXPECT_EQ(repeated, 3);
    EXPECT_FALSE(timer->isValid());
}

TEST(Timers, CancelledBeforeFirstFireNeverRuns) {
    int fired = 0;
    auto direct = performAfterDelay(20ms, [&] { ++fired; });
    direct->invalidate();
    // Made and cancelled on a worker, before the main thread has even created it.
    std::atomic<bool> done{false};
    NSThread::detachNewThread([&] {
        auto t = NSTimer::scheduledTimer(1ms, true, [&](NSTimer&) { ++fired; });
        t->invalidate();
        done = true;
    });
    ASSERT_TRUE(waitUntil([&] { return done.load(); }));
    testsupport::spinEventLoop(80ms);
    EXPECT_EQ(fired, 0);
    EXPECT_TRUE(testsupport::waitForWorkers());
}
