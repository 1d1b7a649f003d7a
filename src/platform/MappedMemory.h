// Memory for large working data that must go back to the system the moment it is freed.
//
// The C library's allocator grows each thread's heap in large steps and keeps what is freed at
// the top of it for that thread's next allocations (see HeapGrowth.h): a carve's hundreds of
// megabytes of rows and keys, freed once the records are made, would stay resident in the heaps
// of threads that never allocate again, and the program's peak would be the sum of every heap's
// highest mark. A block of at least kMappedAtLeast bytes is here a mapping of its own, whose
// pages are made as they are first touched and go back when it is freed; a smaller one comes
// from the heap as usual. A mapping costs the system as much as touching dozens of pages, and a
// page given back is one the next block must be given anew: containers that grow in blocks take
// few, large ones (kLargeBlock), and what is made and freed in one step stays on the heap.
#pragma once

#include <cstddef>
#include <new>
#include <utility>
#include <vector>

namespace mapped {

constexpr size_t kMappedAtLeast = size_t{64} << 10;
// The blocks of a container past its first few: pages never touched cost nothing.
constexpr size_t kLargeBlock = size_t{2} << 20;

// bytes of memory, aligned for any object: throws std::bad_alloc when there is none.
void* take(size_t bytes);
// Frees what take(bytes) gave, with the same size.
void give(void* at, size_t bytes) noexcept;

// Room for n objects of T, not constructed: constructing and destroying them is the caller's.
template <class T>
class Room {
public:
    Room() = default;
    explicit Room(size_t n) : at_(static_cast<T*>(take(n * sizeof(T)))), n_(n) {}
    Room(Room&& other) noexcept : at_(std::exchange(other.at_, nullptr)), n_(std::exchange(other.n_, 0)) {}
    Room& operator=(Room&& other) noexcept {
        if (this != &other) {
            reset();
            at_ = std::exchange(other.at_, nullptr);
            n_ = std::exchange(other.n_, 0);
        }
        return *this;
    }
    ~Room() { reset(); }
    void reset() noexcept {
        if (at_) give(at_, n_ * sizeof(T));
        at_ = nullptr;
        n_ = 0;
    }
    T* get() const { return at_; }
    T& operator[](size_t i) const { return at_[i]; }
    size_t size() const { return n_; }

private:
    T* at_ = nullptr;
    size_t n_ = 0;
};

// An allocator for containers whose large arrays are to go back to the system when freed.
template <class T>
struct Allocator {
    using value_type = T;
    Allocator() = default;
    template <class U>
    Allocator(const Allocator<U>&) noexcept {}
    T* allocate(size_t n) { return static_cast<T*>(take(n * sizeof(T))); }
    void deallocate(T* at, size_t n) noexcept { give(at, n * sizeof(T)); }
    template <class U>
    bool operator==(const Allocator<U>&) const noexcept {
        return true;
    }
};

// A vector whose array, once large, goes back to the system when freed or regrown.
template <class T>
using Vector = std::vector<T, Allocator<T>>;

}  // namespace mapped
