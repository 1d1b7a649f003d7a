#include "platform/MappedMemory.h"

#include <sys/mman.h>

namespace mapped {

void* take(size_t bytes) {
    if (bytes < kMappedAtLeast) return ::operator new(bytes);
    void* at = ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (at == MAP_FAILED) throw std::bad_alloc();
    return at;
}

void give(void* at, size_t bytes) noexcept {
    if (!at) return;
    if (bytes < kMappedAtLeast) {
        ::operator delete(at);
    } else {
        ::munmap(at, bytes);
    }
}

}  // namespace mapped
