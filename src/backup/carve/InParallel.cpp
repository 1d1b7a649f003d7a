#include "backup/carve/InParallel.h"

#include <algorithm>
#include <atomic>
#include <system_error>
#include <thread>
#include <vector>

namespace carve {

void inParallel(size_t n, size_t threads, const std::function<void(size_t, size_t)>& job) {
    std::atomic<size_t> next{0};
    auto work = [&](size_t thread) {
        for (size_t k; (k = next.fetch_add(1)) < n;) job(k, thread);
    };
    std::vector<std::thread> started;
    for (size_t t = 1; t < std::min(threads, n); ++t) {
        try {
            started.emplace_back(work, t);
        } catch (const std::system_error&) {
            break;  // the threads that started, and this one, take every job
        }
    }
    work(0);
    for (std::thread& t : started) t.join();
}

size_t threadsFor(size_t items, size_t minimum) {
    const size_t cores = std::max<size_t>(std::thread::hardware_concurrency(), 1);
    return std::clamp<size_t>(items / std::max<size_t>(minimum, 1), 1, cores);
}

size_t stretchThreads(size_t count, size_t perStretch, int threads) {
    return threads > 0 ? static_cast<size_t>(threads) : threadsFor(count, 4 * perStretch);
}

void inStretches(size_t count, size_t perStretch, int threads,
                 const std::function<void(size_t from, size_t to, size_t thread)>& job) {
    const size_t workers = stretchThreads(count, perStretch, threads);
    if (threads > 0) perStretch = std::max<size_t>((count + 4 * workers - 1) / (4 * workers), 1);
    perStretch = std::max<size_t>(perStretch, 1);
    const size_t stretches = (count + perStretch - 1) / perStretch;
    inParallel(stretches, workers,
               [&](size_t k, size_t thread) { job(k * perStretch, std::min(count, (k + 1) * perStretch), thread); });
}

}  // namespace carve
