// An allocator for large tables looked up at random (a hash table of a million keys): blocks of
// 4 MiB and more are laid on huge pages where the system offers them, so that each look-up does
// not also miss the address translation cache; smaller ones are plain heap blocks.
#pragma once

#include <cstddef>
#include <cstdlib>
#include <new>
#include <sys/mman.h>

template <class T>
struct HugePageAllocator {
    using value_type = T;
    HugePageAllocator() = default;
    template <class U>
    HugePageAllocator(const HugePageAllocator<U>&) {}

    static constexpr size_t kHugePage = size_t(2) << 20;
    static constexpr size_t kFrom = size_t(4) << 20;

    T* allocate(size_t n) {
        const size_t bytes = n * sizeof(T);
        if (bytes < kFrom) return static_cast<T*>(::operator new(bytes));
        const size_t rounded = (bytes + kHugePage - 1) / kHugePage * kHugePage;
        void* p = std::aligned_alloc(kHugePage, rounded);
        if (!p) throw std::bad_alloc();
        ::madvise(p, rounded, MADV_HUGEPAGE);  // advice only: plain pages where it is refused
        return static_cast<T*>(p);
    }
    void deallocate(T* p, size_t n) {
        if (n * sizeof(T) < kFrom)
            ::operator delete(p);
        else
            std::free(p);
    }
    template <class U>
    bool operator==(const HugePageAllocator<U>&) const {
        return true;
    }
};
