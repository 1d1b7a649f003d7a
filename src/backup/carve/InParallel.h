// Jobs shared out among a few threads, for the carvers' steps whose rows are independent.
#pragma once

#include <cstddef>
#include <functional>

namespace carve {

// Runs job(0, thread) to job(n - 1, thread) on up to threads threads (the calling one among
// them), each thread taking the next job not yet taken; thread numbers them from 0. When a
// thread cannot be started, those that run take every job.
void inParallel(size_t n, size_t threads, const std::function<void(size_t job, size_t thread)>& job);

// How many threads work on jobs of the given number of items, at least minimum items each.
size_t threadsFor(size_t items, size_t minimum);

}  // namespace carve
