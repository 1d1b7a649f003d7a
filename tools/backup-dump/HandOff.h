// Items handed from one thread to another in the order they were given. One thread gives
// (push, flush, close), one takes (takeAll); items go over in batches, so that a million
// records cost a lock per batch rather than one each.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <mutex>
#include <vector>

template <class Item>
class HandOff {
public:
    // With mostWaiting, a giver that finds that many items or more not yet taken waits until the
    // taker takes them: what waits is kept alive (a million records when the taker is the
    // slower), while a giver held back loses nothing when the taker must take everything anyway.
    // The taker must then be taking, or come to take, while the giver gives.
    HandOff() = default;
    explicit HandOff(size_t mostWaiting) : mostWaiting_(mostWaiting) {}

    // On the giving thread.
    void push(Item item) {
        batch_.push_back(std::move(item));
        if (batch_.size() >= kBatch) flush();
    }
    // Hands over what was pushed so far, for a taker that should see it now.
    void flush() {
        if (batch_.empty()) return;
        std::unique_lock lock(mutex_);
        taken_.wait(lock, [this] { return ready_.size() < mostWaiting_; });
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
            taken_.notify_one();
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
    std::condition_variable taken_;  // ready_ was emptied
    std::vector<Item> ready_;
    bool closed_ = false;
    size_t mostWaiting_ = SIZE_MAX;
};
