// How the C library's allocator takes memory from the system, set once at start-up.
#pragma once

namespace heapgrowth {
// Lets every heap grow (and keep) at least 64 MiB at a time. A worker thread's heap otherwise
// grows by the page, each step a system call that locks the whole address space against every
// other thread's page faults: a reader making a million records beside a carver faulting in
// its tables spent more time waiting on those locks than working. Call before starting threads.
void growInLargeSteps();
// Gives back to the system the whole pages that freed memory holds in every thread's heap: a
// thread's heap keeps what was freed in it for that thread's next allocations, so the records
// one thread made and another freed would otherwise stay resident while other threads grow.
void giveBackFreed();
}  // namespace heapgrowth
