#include "platform/MappedMemory.h"

#include <sys/mman.h>

namespace mapped {

namespace {
// Under the address sanitizer every block comes from the heap, where each access is checked: a
// carver reading a crafted file is what it must watch most.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kFromHeapOnly = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kFromHeapOnly = true;
#else
constexpr bool kFromHeapOnly = false;
#endif
#else
constexpr bool kFromHeapOnly = false;
#endif

bool fromHeap(size_t bytes) { return kFromHeapOnly || bytes < kMappedAtLeast; }
}  // namespace

void* take(size_t bytes) {
    if (fromHeap(bytes)) return ::operator new(bytes);
    void* at = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (at == MAP_FAILED) throw std::bad_alloc();
    return at;
}

void give(void* at, size_t bytes) noexcept {
    if (!at) return;
    if (fromHeap(bytes)) {
        ::operator delete(at);
    } else {
        ::munmap(at, bytes);
    }
}

}  // namespace mapped
