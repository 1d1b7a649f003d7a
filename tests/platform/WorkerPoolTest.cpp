#include "TestSupport.h"
#include "platform/Threads.h"
#include "platform/WorkerPool.h"

#include <QCoreApplication>
#include <QObject>
#include <atomic>
#include <memory>
#include <thread>

using namespace std::chrono_literals;
using testsupport::waitUntil;

TEST(WorkerPool, RunsEveryJobWithBoundedThreads) {
    WorkerPool pool(3);
    std::atomic<int> running{0}, most{0}, done{0};
    for (int i = 0; i < 40; ++i)
        pool.enqueue([&] {
            const int now = ++running;
            int seen = most;
            while (now > seen && !most.compare_exchange_weak(seen, now)) {}
            std::this_thread::sleep_for(2ms);
            --running;
            ++done;
        });
    EXPECT_LE(pool.runningWorkers(), 3);
    ASSERT_TRUE(testsupport::waitForWorkers());
    EXPECT_EQ(done, 40);
    EXPECT_LE(most, 3);
    EXPECT_EQ(pool.pendingJobs(), 0);
}

TEST(WorkerPool, CancelDropsQueuedJobsAndWaitEndsWithTheRunningOne) {
    std::atomic<int> done{0};
    std::atomic<bool> release{false}, first{false};
    {
        WorkerPool pool(1);
        pool.enqueue([&] {
            first = true;
            while (!release) std::this_thread::sleep_for(1ms);
            ++done;
        });
        for (int i = 0; i < 5; ++i) pool.enqueue([&] { ++done; });
        ASSERT_TRUE(waitUntil([&] { return first.load(); }));
        pool.cancel();
        EXPECT_TRUE(pool.isCancelled());
        pool.enqueue([&] { ++done; });  // refused once cancelled
        std::thread releaser([&] {
            std::this_thread::sleep_for(20ms);
            release = true;
        });
        pool.wait();
        releaser.join();
        EXPECT_EQ(done, 1);
        EXPECT_EQ(pool.runningWorkers(), 0);
    }
    // The destructor cancels and waits too: nothing of a gone pool runs later.
    std::atomic<bool> started{false};
    {
        WorkerPool pool(1);
        pool.enqueue([&] {
            started = true;
            std::this_thread::sleep_for(20ms);
            ++done;
        });
        for (int i = 0; i < 5; ++i) pool.enqueue([&] { ++done; });
        ASSERT_TRUE(waitUntil([&] { return started.load(); }));
    }
    EXPECT_EQ(done, 2);
}

// The owner of workers waits for them on the main thread without turning the event loop; a
// worker waiting there on a hand-off to that owner must not hold it.
TEST(WorkerPool, AnOwnerWaitingForItsWorkersIsNotHeldByTheirHandOffs) {
    auto owner = std::make_unique<QObject>();
    std::atomic<int> ran{0}, calls{0};
    std::atomic<bool> firstRan{false};
    auto pool = std::make_unique<WorkerPool>(2);
    for (int w = 0; w < 2; ++w)
        pool->enqueue([&, o = owner.get(), p = pool.get()] {
            while (!p->isCancelled()) {
                performOnMainThread(
                    o,
                    [&] {
                        ++ran;
                        firstRan = true;
                    },
                    true);
                ++calls;
            }
            // After the owner cancelled, calls return at once and run nothing.
            performOnMainThread(
                o, [&] { ++ran; }, true);
        });
    ASSERT_TRUE(waitUntil([&] { return firstRan.load(); }));
    endWorkersOf(owner.get(), {pool.get()});  // would hang if a waiting hand-off held it
    const int ranAtEnd = ran.load();
    EXPECT_LE(ranAtEnd, calls.load());
    QCoreApplication::processEvents();  // cancelled calls still queued do not run either
    EXPECT_EQ(ran.load(), ranAtEnd);
    pool.reset();
    owner.reset();
    EXPECT_TRUE(testsupport::waitForWorkers());
}

TEST(WorkerPool, CancellingOneReceiverLeavesTheOthersCalls) {
    QObject going, staying;
    cancelMainThreadCalls(&going);
    std::atomic<int> toGoing{0}, toStaying{0};
    std::atomic<bool> done{false};
    NSThread::detachNewThread([&] {
        performOnMainThread(
            &going, [&] { ++toGoing; }, true);
        performOnMainThread(
            &staying, [&] { ++toStaying; }, true);
        done = true;
    });
    ASSERT_TRUE(waitUntil([&] { return done.load(); }));
    EXPECT_EQ(toGoing, 0);
    EXPECT_EQ(toStaying, 1);
    EXPECT_TRUE(testsupport::waitForWorkers());
}

TEST(WorkerPool, AWaitThatTurnsEventsLetsTheRunningJobsHandOffsArrive) {
    QObject owner;
    std::atomic<bool> started{false}, sawCancel{false};
    std::atomic<int> delivered{0}, ranAfterCancel{0};
    WorkerPool pool(1);
    pool.enqueue([&] {
        started = true;
        while (!pool.cancelFlag()) std::this_thread::sleep_for(1ms);
        sawCancel = true;
        // Its last result still reaches the main thread: the owner's wait lets it through.
        performOnMainThread(
            &owner, [&] { ++delivered; }, true);
    });
    pool.enqueue([&] { ++ranAfterCancel; });
    ASSERT_TRUE(waitUntil([&] { return started.load(); }));
    pool.cancel();
    pool.waitTurningEvents();  // a plain wait() here would never return
    EXPECT_TRUE(sawCancel);
    EXPECT_EQ(delivered, 1);
    EXPECT_EQ(ranAfterCancel, 0);
    EXPECT_EQ(pool.runningWorkers(), 0);
    EXPECT_TRUE(testsupport::waitForWorkers());
}
