// Items handed from one thread to another in the order they were given. One thread gives
// (push, flush, close), one takes (takeAll); items go over in batches, so that a million
// records cost a lock per batch rather than one each.
#pragma once

#include <condition_variable>
#include <iterator>
#include <mutex>
#include <vector>

template <class Item>
class HandOff {
public:
    // On the giving thread.
    void push(Item item) {
        batch_.push_back(std::move(item));
        if (batch_.size() >= kBatch) flush();
    }
    // Hands over what was pushed so far, for a taker that should see it now.
    void flush() {
        if (batch_.empty()) return;
        std::lock_guard lock(mutex_);
        const bool wake = ready_.empty();
        if (ready_.empty())
            ready_.swap(batch_);
        else
            ready_.insert(ready_.end(), std::make_move_iterator(batch_.begin()), std::make_move_iterator(batch_.end()));
        batch_.clear();
        if (wake) changed_.notify_one();
    }
    // Hands over the rest; takeAll returns once it has taken it.
    void close() {
        flush();
        std::lock_guard lock(mutex_);
        closed_ = true;
        changed_.notify_one();
    }

    // On the taking thread: calls take(Item&) on every item, in order, until the giver closed;
    // ahead(Item&) a few items before take, when given, for what the taker will want from
    // memory (the items were made on another thread, outside this one's cache).
    template <class Take>
    void takeAll(Take take) {
        takeAll(take, [](Item&) {});
    }
    template <class Take, class Ahead>
    void takeAll(Take take, Ahead ahead) {
        std::vector<Item> items;
        for (bool last = false; !last;) {
            {
                std::unique_lock lock(mutex_);
                changed_.wait(lock, [this] { return closed_ || !ready_.empty(); });
                items.swap(ready_);
                last = closed_;
            }
            for (size_t i = 0; i < items.size(); ++i) {
                if (i + kAhead < items.size()) ahead(items[i + kAhead]);
                take(items[i]);
            }
            items.clear();
        }
    }

private:
    static constexpr size_t kBatch = 1024;
    static constexpr size_t kAhead = 16;
    // The giver's batch and what both threads share on cache lines apart: a push touches only
    // the giver's own.
    alignas(64) std::vector<Item> batch_;  // the giver's own
    alignas(64) std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<Item> ready_;
    bool closed_ = false;
};
