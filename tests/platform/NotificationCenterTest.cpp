#include "TestSupport.h"
#include "platform/Notice.h"
#include "platform/NotificationCenter.h"
#include "platform/Threads.h"

#include <atomic>
#include <thread>
#include <vector>

namespace {
const char* kName = "TestNotification";

struct Cleanup {
    std::vector<const void*> observers;
    ~Cleanup() {
        for (auto* o : observers) NSNotificationCenter::defaultCenter().removeObserver(o);
    }
};
}  // namespace

TEST(NotificationCenter, DeliversInRegistrationOrderWithObject) {
    auto& nc = NSNotificationCenter::defaultCenter();
    int a = 0, b = 0;
    Cleanup cleanup{{&a, &b}};
    std::vector<std::string> order;
    nc.addObserver(&a, kName, [&](const NSNotification& n) {
        order.push_back("a" + std::to_string(n.objectAs<NSNumber>()->intValue()));
    });
    nc.addObserver(&b, kName, [&](const NSNotification& n) {
        order.push_back("b");
        EXPECT_EQ(n.sender(), &b);
    });
    nc.addObserver(&a, "OtherName", [&](const NSNotification&) { order.push_back("other"); });
    nc.postNotificationName(kName, NSNumber::numberWithInt(7), &b);
    EXPECT_EQ(order, (std::vector<std::string>{"a7", "b"}));
    EXPECT_EQ(nc.observerCount(kName), 2u);
    nc.removeObserver(&a, kName);
    EXPECT_EQ(nc.observerCount(kName), 1u);
    EXPECT_EQ(nc.observerCount("OtherName"), 1u);
}

TEST(NotificationCenter, HandlersMayPostAndRemoveThemselves) {
    auto& nc = NSNotificationCenter::defaultCenter();
    int self = 0, later = 0, nested = 0;
    Cleanup cleanup{{&self, &later, &nested}};
    int selfCalls = 0, laterCalls = 0, nestedCalls = 0;
    nc.addObserver(&self, kName, [&](const NSNotification&) {
        ++selfCalls;
        nc.removeObserver(&self);
        nc.removeObserver(&later);  // removed before its turn: not called
        nc.postNotificationName("Nested");
    });
    nc.addObserver(&later, kName, [&](const NSNotification&) { ++laterCalls; });
    nc.addObserver(&nested, "Nested", [&](const NSNotification&) { ++nestedCalls; });
    nc.postNotificationName(kName);
    nc.postNotificationName(kName);
    EXPECT_EQ(selfCalls, 1);
    EXPECT_EQ(laterCalls, 0);
    EXPECT_EQ(nestedCalls, 1);
}

TEST(NotificationCenter, PostsFromManyThreadsRunOnThePostingThread) {
    auto& nc = NSNotificationCenter::defaultCenter();
    int token = 0;
    Cleanup cleanup{{&token}};
    std::atomic<int> count{0};
    std::atomic<int> wrongThread{0};
    thread_local int marker = 0;
    nc.addObserver(&token, kName, [&](const NSNotification& n) {
        if (marker != n.objectAs<NSNumber>()->intValue()) ++wrongThread;
        ++count;
    });
    std::vector<std::thread> threads;
    for (int t = 1; t <= 8; ++t)
        threads.emplace_back([t, &nc] {
            marker = t;
            for (int i = 0; i < 500; ++i) nc.postNotificationName(kName, NSNumber::numberWithInt(t));
        });
    // Registrations change while the posts run.
    for (int i = 0; i < 200; ++i) {
        int temp = 0;
        nc.addObserver(&temp, kName, [](const NSNotification&) {});
        nc.removeObserver(&temp);
    }
    for (auto& th : threads) th.join();
    EXPECT_EQ(count.load(), 8 * 500);
    EXPECT_EQ(wrongThread.load(), 0);
}

// Past the handful of observers a post keeps on the stack, every one is still called in
// order, and one removed along the way by an earlier one is skipped, wherever it sits.
TEST(NotificationCenter, ManyObserversAreCalledInOrderAndRemovalsHold) {
    NSNotificationCenter nc;
    constexpr int kObservers = 12;
    int observers[kObservers] = {};
    std::vector<int> called;
    for (int i = 0; i < kObservers; ++i)
        nc.addObserver(&observers[i], kName, [&, i](const NSNotification&) {
            called.push_back(i);
            if (i == 1) {
                nc.removeObserver(&observers[1]);  // itself: its entry must outlive the call
                nc.removeObserver(&observers[3]);
                nc.removeObserver(&observers[10]);
            }
        });
    nc.postNotificationName(kName);
    EXPECT_EQ(called, (std::vector<int>{0, 1, 2, 4, 5, 6, 7, 8, 9, 11}));
    called.clear();
    nc.postNotificationName(kName);
    EXPECT_EQ(called, (std::vector<int>{0, 2, 4, 5, 6, 7, 8, 9, 11}));
}

namespace {
class Base : public NSObject {};
class Derived : public Base {};
class Leaf final : public Base {};
class OtherLeaf final : public NSObject {};
}  // namespace

// A final class is recognised by its type alone; the others still by their bases. Either way
// an object of another class, or none, is no T.
TEST(NotificationCenter, ObjectsAreTakenAsTheirOwnClassesOnly) {
    const NSObjectPtr leaf = std::make_shared<Leaf>();
    const NSObjectPtr derived = std::make_shared<Derived>();
    const NSObjectPtr other = std::make_shared<OtherLeaf>();
    const NSObjectPtr none;

    EXPECT_EQ(objectCast<Leaf>(leaf.get()), leaf.get());
    EXPECT_EQ(objectCast<Base>(leaf.get()), static_cast<Base*>(static_cast<Leaf*>(leaf.get())));
    EXPECT_EQ(objectCast<Leaf>(derived.get()), nullptr);
    EXPECT_EQ(objectCast<Leaf>(other.get()), nullptr);
    EXPECT_EQ(objectCast<Leaf>(none.get()), nullptr);
    EXPECT_NE(objectCast<Derived>(derived.get()), nullptr);
    EXPECT_EQ(objectCast<Derived>(leaf.get()), nullptr);

    NSNotificationCenter nc;
    int observer = 0;
    std::vector<std::shared_ptr<Leaf>> leaves;
    nc.addObserver(&observer, kName, [&](const NSNotification& n) { leaves.push_back(n.objectAs<Leaf>()); });
    for (const NSObjectPtr& object : {leaf, derived, other, none}) nc.postNotificationName(kName, object);
    nc.removeObserver(&observer);
    ASSERT_EQ(leaves.size(), 4u);
    EXPECT_EQ(leaves[0].get(), leaf.get());
    EXPECT_EQ(leaves[0].use_count(), leaf.use_count());  // shares the object's ownership
    EXPECT_EQ(leaves[1], nullptr);
    EXPECT_EQ(leaves[2], nullptr);
    EXPECT_EQ(leaves[3], nullptr);
}

namespace {
const Notice<NSNumber> kCount{"TestCount"};
const NoticeName kDone{"TestDone"};

// What a poster can hand a notice: its own class, and nothing less.
template <class N, class... Object>
concept Postable = requires(const N& notice, NSNotificationCenter& nc, Object... object) {
    notice.post(nc, object...);
};
static_assert(Postable<Notice<NSNumber>, NSNumberPtr>);
static_assert(!Postable<Notice<NSNumber>, std::shared_ptr<NSString>>, "a notice carries its own class only");
static_assert(!Postable<Notice<NSNumber>>, "a Notice<T> is posted with its object");
static_assert(Postable<NoticeName>);
}  // namespace

// A notice hands its observers its own class, null for an object of another; an observer that
// asks for the notification gets its sender too, and take() answers only for its own name.
TEST(NotificationCenter, NoticesCarryTheirOwnClass) {
    NSNotificationCenter nc;
    int observer = 0, sender = 0;
    std::vector<int> counts;
    std::vector<const void*> senders;
    kCount.observe(nc, &observer, [&](const NSNumberPtr& n) { counts.push_back(n ? n->intValue() : -1); });
    kCount.observe(nc, &observer, [&](const NSNotification& n) { senders.push_back(n.sender()); });
    kDone.observe(nc, &observer, [&](const NSNotification& n) { senders.push_back(n.sender()); });
    kCount.post(nc, NSNumber::numberWithInt(3), &sender);
    nc.postNotificationName(kCount.name(), NSString::stringWithString("3"));
    kDone.post(nc, &sender);
    nc.removeObserver(&observer);
    EXPECT_EQ(counts, (std::vector<int>{3, -1}));
    EXPECT_EQ(senders, (std::vector<const void*>{&sender, nullptr, &sender}));

    int taken = 0;
    const NSNotification count(kCount.name(), NSNumber::numberWithInt(5), nullptr);
    EXPECT_TRUE(kCount.take(count, [&](const NSNumberPtr& n) { taken = n->intValue(); }));
    EXPECT_EQ(taken, 5);
    EXPECT_FALSE(kCount.take(NSNotification(kDone.name(), NSNumber::numberWithInt(7), nullptr),
                             [&](const NSNumberPtr&) { taken = 7; }));
    EXPECT_EQ(taken, 5);
    EXPECT_TRUE(kDone.is(NSNotification("TestDone", nullptr, nullptr)));
}
