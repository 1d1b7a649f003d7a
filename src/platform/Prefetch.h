// Asking for memory ahead of its use, for loops over records made on another thread (outside
// this one's cache), where each first touch would otherwise wait on memory.
#pragma once

// The object a make_shared made and its reference counts, which lie just before it; nothing
// for no object.
inline void prefetchShared(const void* object) {
    if (!object) return;
    __builtin_prefetch(object);
    const char* counts = static_cast<const char*>(object) - 16;
#if defined(__x86_64__)
    // Asked for to be written: whoever takes the record copies its pointer, and a line only read
    // in must then be taken over again from the thread that made it. Said outright, as the
    // compiler makes a read prefetch of a write one unless the build targets processors that
    // have it; those without it run the instruction as a no-op.
    asm volatile("prefetchw %0" : : "m"(*counts));
#else
    __builtin_prefetch(counts, 1);
#endif
}
