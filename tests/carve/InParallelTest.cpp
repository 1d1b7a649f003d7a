// Stretches made side by side and handed over in order: every item is made once, each stretch is
// handed over once, in order, on the calling thread, and only once every item in it is made,
// however the threads finish. The threads that share the jobs are kept from call to call, keep
// to the calling thread's CPUs, and a job that throws ends the call with its exception rather
// than the process or a wait.
#include "backup/carve/InParallel.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <mutex>
#include <sched.h>
#include <set>
#include <stdexcept>
#include <thread>
#include <vector>

namespace {

struct Delivery {
    size_t from = 0;
    size_t to = 0;
    bool allMade = false;
    bool onCaller = false;
};

void checkInOrder(size_t count, size_t perStretch, int threads) {
    SCOPED_TRACE(testing::Message() << count << " items, " << perStretch << " a stretch, threads " << threads);
    std::vector<std::atomic<int>> made(count);
    std::vector<Delivery> deliveries;
    const std::thread::id caller = std::this_thread::get_id();
    carve::inStretchesInOrder(
        count, perStretch, threads,
        [&](size_t from, size_t to, size_t) {
            // The first stretch is the slowest, so that later ones are made before it.
            if (from == 0) std::this_thread::sleep_for(std::chrono::milliseconds(20));
            for (size_t i = from; i < to; ++i) made[i].fetch_add(1);
        },
        [&](size_t from, size_t to) {
            bool allMade = true;
            for (size_t i = from; i < to; ++i) allMade = allMade && made[i].load() == 1;
            deliveries.push_back({from, to, allMade, std::this_thread::get_id() == caller});
        });
    size_t next = 0;
    for (const Delivery& d : deliveries) {
        EXPECT_EQ(d.from, next);
        EXPECT_GT(d.to, d.from);
        EXPECT_TRUE(d.allMade);
        EXPECT_TRUE(d.onCaller);
        next = d.to;
    }
    EXPECT_EQ(next, count);
    for (size_t i = 0; i < count; ++i) EXPECT_EQ(made[i].load(), 1) << i;
}

}  // namespace

TEST(InParallel, StretchesAreHandedOverInOrderOnTheCallingThreadOnceMade) {
    for (int threads : {0, 1, 2, 7}) {
        checkInOrder(0, 16, threads);
        checkInOrder(1, 16, threads);
        checkInOrder(1000, 16, threads);
        checkInOrder(1000, 1, threads);
    }
}

TEST(InParallel, EveryJobRunsOnceOnThreadsKeptFromCallToCall) {
    std::set<std::thread::id> helpers;
    std::mutex mutex;
    const std::thread::id caller = std::this_thread::get_id();
    for (int call = 0; call < 50; ++call) {
        std::vector<std::atomic<int>> ran(64);
        std::atomic<bool> numbered{true};
        carve::inParallel(ran.size(), 4, [&](size_t job, size_t thread) {
            ran[job].fetch_add(1);
            if (thread >= 4 || (thread == 0) != (std::this_thread::get_id() == caller)) numbered = false;
            // Long enough that the other threads come to take jobs too.
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            std::lock_guard lock(mutex);
            if (std::this_thread::get_id() != caller) helpers.insert(std::this_thread::get_id());
        });
        for (size_t j = 0; j < ran.size(); ++j) ASSERT_EQ(ran[j].load(), 1) << "call " << call << ", job " << j;
        EXPECT_TRUE(numbered.load()) << "call " << call;
    }
    // Fifty calls of three helpers each: a thread started for each would make 150.
    EXPECT_GE(helpers.size(), 1u);
    EXPECT_LE(helpers.size(), 12u);
    // A job may share out jobs of its own.
    std::atomic<int> inner{0};
    carve::inParallel(8, 4, [&](size_t, size_t) { carve::inParallel(8, 4, [&](size_t, size_t) { ++inner; }); });
    EXPECT_EQ(inner.load(), 64);
}

TEST(InParallel, TheThreadsKeepToTheCallersCpus) {
    cpu_set_t all;
    ASSERT_EQ(::sched_getaffinity(0, sizeof all, &all), 0);
    auto cpusOfJobs = [] {
        std::set<int> counts;
        std::mutex mutex;
        carve::inParallel(32, 4, [&](size_t, size_t) {
            cpu_set_t own;
            ::sched_getaffinity(0, sizeof own, &own);
            std::this_thread::sleep_for(std::chrono::microseconds(200));
            std::lock_guard lock(mutex);
            counts.insert(CPU_COUNT(&own));
        });
        return counts;
    };
    EXPECT_EQ(cpusOfJobs(), std::set<int>{CPU_COUNT(&all)});
    // Kept to one CPU, as a run kept to a few cores: so are the threads it shares its jobs with,
    // those kept from earlier calls among them; and all of them again once it is let go.
    int first = 0;
    while (!CPU_ISSET(first, &all)) ++first;
    cpu_set_t one;
    CPU_ZERO(&one);
    CPU_SET(first, &one);
    ASSERT_EQ(::sched_setaffinity(0, sizeof one, &one), 0);
    const std::set<int> kept = cpusOfJobs();
    ASSERT_EQ(::sched_setaffinity(0, sizeof all, &all), 0);
    EXPECT_EQ(kept, std::set<int>{1});
    EXPECT_EQ(cpusOfJobs(), std::set<int>{CPU_COUNT(&all)});
}

TEST(InParallel, AJobThatThrowsEndsTheCallWithItsException) {
    const std::thread::id caller = std::this_thread::get_id();
    for (const bool onCaller : {true, false}) {
        SCOPED_TRACE(onCaller ? "thrown on the calling thread" : "thrown on another");
        std::atomic<int> ran{0};
        EXPECT_THROW(carve::inParallel(1000, 4,
                                       [&](size_t job, size_t) {
                                           ++ran;
                                           std::this_thread::sleep_for(std::chrono::microseconds(50));
                                           if (job >= 10 && (std::this_thread::get_id() == caller) == onCaller)
                                               throw std::runtime_error("job failed");
                                       }),
                     std::runtime_error);
        EXPECT_LT(ran.load(), 1000);  // no job more was started
    }
    // Made or handed over, a stretch that throws ends the call once the threads are done.
    auto failing = [](bool inMake) {
        std::vector<size_t> delivered;
        carve::inStretchesInOrder(
            1000, 10, 4,
            [&](size_t from, size_t to, size_t) {
                if (inMake && from <= 500 && 500 < to) throw std::runtime_error("stretch failed");
            },
            [&](size_t from, size_t to) {
                if (!inMake && from <= 500 && 500 < to) throw std::runtime_error("delivery failed");
                delivered.push_back(from);
            });
        return delivered;
    };
    for (const bool inMake : {true, false}) {
        SCOPED_TRACE(inMake ? "made" : "handed over");
        try {
            failing(inMake);
            ADD_FAILURE() << "no exception";
        } catch (const std::runtime_error&) {}
    }
    // The threads serve the next call as before.
    std::atomic<int> ran{0};
    carve::inParallel(100, 4, [&](size_t, size_t) { ++ran; });
    EXPECT_EQ(ran.load(), 100);
    checkInOrder(1000, 16, 4);
}
