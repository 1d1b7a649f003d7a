// A list that only grows, in blocks of a fixed number of items that never move: a carver's list
// of a few hundred thousand rows found copies none of them as it grows, and holds at most one
// block it does not use, where a vector copies every row into room for twice as many.
#pragma once

#include <cstddef>
#include <iterator>
#include <memory>
#include <vector>

namespace carve {

template <class T, size_t kPerBlock>
class BlockList {
public:
    void push_back(T&& item) {
        if (size_ % kPerBlock == 0) blocks_.push_back(std::make_unique<T[]>(kPerBlock));
        blocks_.back()[size_ % kPerBlock] = std::move(item);
        ++size_;
    }
    size_t size() const { return size_; }
    T& operator[](size_t i) { return blocks_[i / kPerBlock][i % kPerBlock]; }
    const T& operator[](size_t i) const { return blocks_[i / kPerBlock][i % kPerBlock]; }
    // Frees every item and block.
    void clear() {
        std::vector<std::unique_ptr<T[]>>().swap(blocks_);
        size_ = 0;
    }

    template <class List, class Item>
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = T;
        using difference_type = std::ptrdiff_t;
        using pointer = Item*;
        using reference = Item&;
        Iterator(List* list, size_t at) : list_(list), at_(at) {}
        Item& operator*() const { return (*list_)[at_]; }
        Item* operator->() const { return &(*list_)[at_]; }
        Iterator& operator++() {
            ++at_;
            return *this;
        }
        bool operator==(const Iterator& other) const { return at_ == other.at_; }

    private:
        List* list_;
        size_t at_;
    };
    Iterator<BlockList, T> begin() { return {this, 0}; }
    Iterator<BlockList, T> end() { return {this, size_}; }
    Iterator<const BlockList, const T> begin() const { return {this, 0}; }
    Iterator<const BlockList, const T> end() const { return {this, size_}; }

private:
    std::vector<std::unique_ptr<T[]>> blocks_;
    size_t size_ = 0;
};

}  // namespace carve
