// Jobs shared out among a few threads, for the carvers' steps whose rows are independent. The
// threads that share a call's jobs with the calling one are kept from call to call (started
// where too few are free), and run on the calling thread's CPUs. A job that throws ends its
// call: no job more is started, and once the threads are done the call throws the first such
// exception on the calling thread.
#pragma once

#include <cstddef>
#include <functional>

namespace carve {

// Runs job(0, thread) to job(n - 1, thread) on up to threads threads (the calling one among
// them), each thread taking the next job not yet taken; thread numbers them from 0 (the calling
// thread's). When a thread cannot be started, those that run take every job.
void inParallel(size_t n, size_t threads, const std::function<void(size_t job, size_t thread)>& job);

// How many threads work on jobs of the given number of items, at least minimum items each.
size_t threadsFor(size_t items, size_t minimum);

// Items 0 to count - 1 in stretches, job(from, to, thread) for each, side by side: stretches of
// perStretch items on as many threads as count asks for (four stretches each at least), or, with
// threads given (above 0), on that many threads taking a few stretches each however few the
// items. stretchThreads answers how many threads that is (thread numbers stay below it).
size_t stretchThreads(size_t count, size_t perStretch, int threads);
void inStretches(size_t count, size_t perStretch, int threads,
                 const std::function<void(size_t from, size_t to, size_t thread)>& job);

// The same stretches made side by side, each handed to deliver(from, to) on the calling thread,
// in order, as soon as it and every stretch before it are made: what is made is used while the
// rest is still being made. The calling thread makes stretches too while the next one to
// deliver is not ready (as thread 0).
void inStretchesInOrder(size_t count, size_t perStretch, int threads,
                        const std::function<void(size_t from, size_t to, size_t thread)>& make,
                        const std::function<void(size_t from, size_t to)>& deliver);

}  // namespace carve
