#include "backup/carve/InParallel.h"

#include "platform/UsableCores.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <system_error>
#include <thread>
#include <vector>

namespace carve {

namespace {
// How count items are cut into stretches: of perStretch items as asked, or, with threads given,
// a few stretches for each thread; and how many threads work on them.
struct Stretches {
    Stretches(size_t count, size_t perStretch, int threads)
        : count(count), workers(stretchThreads(count, perStretch, threads)) {
        if (threads > 0) perStretch = (count + 4 * workers - 1) / (4 * workers);
        size = std::max<size_t>(perStretch, 1);
        stretches = (count + size - 1) / size;
    }
    size_t from(size_t k) const { return k * size; }
    size_t to(size_t k) const { return std::min(count, (k + 1) * size); }

    size_t count;
    size_t workers;
    size_t size = 1;
    size_t stretches = 0;
};

// Starts work(1) to work(threads - 1) on threads of their own; fewer when a thread cannot start.
std::vector<std::thread> startWorkers(size_t threads, const std::function<void(size_t thread)>& work) {
    std::vector<std::thread> started;
    for (size_t t = 1; t < threads; ++t) {
        try {
            started.emplace_back(work, t);
        } catch (const std::system_error&) {
            break;  // the threads that started, and the calling one, take every job
        }
    }
    return started;
}
}  // namespace

void inParallel(size_t n, size_t threads, const std::function<void(size_t, size_t)>& job) {
    std::atomic<size_t> next{0};
    auto work = [&](size_t thread) {
        for (size_t k; (k = next.fetch_add(1)) < n;) job(k, thread);
    };
    std::vector<std::thread> started = startWorkers(std::min(threads, n), work);
    work(0);
    for (std::thread& t : started) t.join();
}

size_t threadsFor(size_t items, size_t minimum) {
    return std::clamp<size_t>(items / std::max<size_t>(minimum, 1), 1, usablecores::workerCores());
}

size_t stretchThreads(size_t count, size_t perStretch, int threads) {
    return threads > 0 ? static_cast<size_t>(threads) : threadsFor(count, 4 * perStretch);
}

void inStretches(size_t count, size_t perStretch, int threads,
                 const std::function<void(size_t from, size_t to, size_t thread)>& job) {
    const Stretches cut(count, perStretch, threads);
    inParallel(cut.stretches, cut.workers, [&](size_t k, size_t thread) { job(cut.from(k), cut.to(k), thread); });
}

void inStretchesInOrder(size_t count, size_t perStretch, int threads,
                        const std::function<void(size_t from, size_t to, size_t thread)>& make,
                        const std::function<void(size_t from, size_t to)>& deliver) {
    const Stretches cut(count, perStretch, threads);
    const size_t stretches = cut.stretches;
    std::atomic<size_t> next{0};
    std::vector<std::atomic<bool>> made(stretches);
    std::mutex mutex;
    std::condition_variable madeOne;
    auto makeStretch = [&](size_t k, size_t thread) {
        make(cut.from(k), cut.to(k), thread);
        {
            std::lock_guard lock(mutex);
            made[k].store(true, std::memory_order_release);
        }
        madeOne.notify_one();
    };
    std::vector<std::thread> started = startWorkers(std::min(cut.workers, stretches), [&](size_t thread) {
        for (size_t k; (k = next.fetch_add(1)) < stretches;) makeStretch(k, thread);
    });
    for (size_t k = 0; k < stretches; ++k) {
        while (!made[k].load(std::memory_order_acquire)) {
            if (const size_t other = next.fetch_add(1); other < stretches) {
                makeStretch(other, 0);
                continue;
            }
            std::unique_lock lock(mutex);
            madeOne.wait(lock, [&] { return made[k].load(std::memory_order_acquire); });
        }
        deliver(cut.from(k), cut.to(k));
    }
    for (std::thread& t : started) t.join();
}

}  // namespace carve
