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

}  // namespace carve
