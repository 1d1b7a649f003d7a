#include "platform/NotificationCenter.h"

#include <atomic>
#include <memory>
#include <string_view>

namespace {
size_t hashOf(const std::string& name) { return std::hash<std::string_view>()(name); }
}  // namespace

// Each entry on cache lines of its own: a post counts the references of the entries it calls,
// and entries of centres used by different threads would otherwise share lines.
struct alignas(64) NSNotificationCenter::Entry {
    const void* observer;
    std::string name;
    Handler handler;
    std::atomic<bool> alive{true};
};

NSNotificationCenter& NSNotificationCenter::defaultCenter() {
    static NSNotificationCenter* center = new NSNotificationCenter();  // lives until exit, never torn down
    return *center;
}

void NSNotificationCenter::addObserver(const void* observer, const std::string& name, Handler handler) {
    auto entry = std::make_shared<Entry>();
    entry->observer = observer;
    entry->name = name;
    entry->handler = std::move(handler);
    const size_t nameHash = hashOf(entry->name);
    std::lock_guard<std::mutex> lock(mutex_);
    entries_.push_back({nameHash, std::move(entry)});
}

void NSNotificationCenter::removeObserver(const void* observer) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::erase_if(entries_, [&](const Slot& slot) {
        if (slot.entry->observer != observer) return false;
        slot.entry->alive = false;
        return true;
    });
}

void NSNotificationCenter::removeObserver(const void* observer, const std::string& name) {
    std::lock_guard<std::mutex> lock(mutex_);
    std::erase_if(entries_, [&](const Slot& slot) {
        if (slot.entry->observer != observer || slot.entry->name != name) return false;
        slot.entry->alive = false;
        return true;
    });
}

void NSNotificationCenter::postNotificationName(const std::string& name, NSObjectPtr object, const void* sender) {
    postNotification(NSNotification(NSNotification::BorrowName{}, name, std::move(object), sender));
}

void NSNotificationCenter::postNotificationName(const std::string& name, const void* sender) {
    postNotification(NSNotification(NSNotification::BorrowName{}, name, nullptr, sender));
}

void NSNotificationCenter::postNotification(const NSNotification& notification) {
    // Deliver to a snapshot, so handlers may change the registrations; an observer removed
    // while the notification is on its way is skipped. A name rarely has more than a few
    // observers, so the snapshot stays on the stack and a post allocates nothing.
    // The slots on the stack are made only as they are filled: clearing them all first costs
    // more than the rest of a post to a single observer.
    constexpr size_t kNearTargets = 8;
    struct NearTargets {
        union {
            std::shared_ptr<Entry> at[kNearTargets];
        };
        size_t made = 0;
        NearTargets() {}
        ~NearTargets() { std::destroy_n(at, made); }
    } nearTargets;
    std::vector<std::shared_ptr<Entry>> moreTargets;
    size_t count = 0;
    const size_t nameHash = hashOf(notification.name());
    {
        std::lock_guard<std::mutex> lock(mutex_);
        for (const Slot& slot : entries_) {
            if (slot.nameHash != nameHash) continue;
            const std::shared_ptr<Entry>& e = slot.entry;
            if (e->name != notification.name()) continue;
            if (count < kNearTargets)
                std::construct_at(&nearTargets.at[nearTargets.made++], e);
            else
                moreTargets.push_back(e);
            ++count;
        }
    }
    for (size_t i = 0; i < nearTargets.made; ++i)
        if (nearTargets.at[i]->alive) nearTargets.at[i]->handler(notification);
    for (const auto& e : moreTargets)
        if (e->alive) e->handler(notification);
}

size_t NSNotificationCenter::observerCount(const std::string& name) const {
    std::lock_guard<std::mutex> lock(mutex_);
    size_t n = 0;
    for (const Slot& slot : entries_)
        if (slot.entry->name == name) ++n;
    return n;
}
