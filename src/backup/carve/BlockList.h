// A list that only grows, in blocks of items that never move: a carver's list of a few hundred
// thousand rows found copies none of them as it grows, where a vector copies every row into
// room for twice as many. Its first block is small, from the heap: a large file's page runs
// each keep a list of every shape, most of them short. The later ones are large mappings (see
// MappedMemory.h), whose pages are made as they are filled and go back when the list is freed.
#pragma once

#include "platform/MappedMemory.h"

#include <algorithm>
#include <cstddef>
#include <iterator>
#include <new>
#include <type_traits>
#include <utility>
#include <vector>

namespace carve {

template <class T>
class BlockList {
public:
    BlockList() = default;
    BlockList(BlockList&& other) noexcept : blocks_(std::move(other.blocks_)), size_(std::exchange(other.size_, 0)) {}
    BlockList& operator=(BlockList&& other) noexcept {
        if (this != &other) {
            clear();
            blocks_ = std::move(other.blocks_);
            size_ = std::exchange(other.size_, 0);
        }
        return *this;
    }
    ~BlockList() { clear(); }

    void push_back(T item) {
        if (size_ == capacity()) blocks_.emplace_back(blocks_.empty() ? kFirst : kLater);
        new (&(*this)[size_]) T(std::move(item));
        ++size_;
    }
    size_t size() const { return size_; }
    T& operator[](size_t i) {
        return i < kFirst ? blocks_[0][i] : blocks_[1 + (i - kFirst) / kLater][(i - kFirst) % kLater];
    }
    const T& operator[](size_t i) const { return const_cast<BlockList&>(*this)[i]; }
    // Frees every item and block.
    void clear() {
        if constexpr (!std::is_trivially_destructible_v<T>)
            for (size_t i = 0; i < size_; ++i) (*this)[i].~T();
        std::vector<mapped::Room<T>>().swap(blocks_);
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
    static constexpr size_t kFirst = std::max<size_t>(1, (size_t{32} << 10) / sizeof(T));
    static constexpr size_t kLater = std::max<size_t>(1, mapped::kLargeBlock / sizeof(T));

    size_t capacity() const { return blocks_.empty() ? 0 : kFirst + (blocks_.size() - 1) * kLater; }

    std::vector<mapped::Room<T>> blocks_;
    size_t size_ = 0;
};

}  // namespace carve
