#include "backup/carve/InParallel.h"

#include "platform/UsableCores.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <exception>
#include <mutex>
#include <sched.h>
#include <system_error>
#include <thread>
#include <vector>

namespace carve {

namespace {

// The CPUs a thread may run on, where the system says (a machine of more CPUs than a set holds
// leaves them unknown, and the threads as they are).
struct Cpus {
    cpu_set_t set{};
    bool known = false;
    static Cpus ofThisThread() {
        Cpus cpus;
        cpus.known = ::sched_getaffinity(0, sizeof cpus.set, &cpus.set) == 0;
        return cpus;
    }
    bool same(const Cpus& other) const {
        return known == other.known && std::memcmp(&set, &other.set, sizeof set) == 0;
    }
};

// One call's helpers: threads 1 to wanted of it run work(thread), on the CPUs of the calling
// thread (a run kept to four cores keeps its helpers to them).
struct Call {
    const std::function<void(size_t thread)>* work = nullptr;
    size_t wanted = 0;
    size_t taken = 0;    // helper threads handed out so far
    size_t running = 0;  // of those, the ones still at work
    Cpus cpus;
    std::condition_variable done;
};

// Threads kept from call to call: a carve shares out a few dozen steps, and a thread started
// for each costs a system call or two and a stack of its own each time. A call's helpers are
// taken by threads idle at the time, and threads are started for those no idle one takes; the
// calling thread works beside them, so that a call never waits for a helper that did not come.
// The threads live as long as the process.
class Pool {
public:
    static Pool& shared() {
        static Pool* const pool = new Pool;  // never destroyed: its threads may still wait at exit
        return *pool;
    }

    void offer(Call& call) {
        if (call.wanted == 0) return;
        size_t toStart = 0;
        {
            std::lock_guard lock(mutex_);
            calls_.push_back(&call);
            untaken_ += call.wanted;
            // Enough threads for every helper no thread took yet, of this call and of others
            // made at the same time.
            const size_t coming = idle_ + starting_;
            toStart = untaken_ > coming ? untaken_ - coming : 0;
            starting_ += toStart;
        }
        offered_.notify_all();
        for (size_t t = 0; t < toStart; ++t) {
            try {
                std::thread([this] { serve(); }).detach();
            } catch (const std::system_error&) {
                // Those that run, and the calling thread, take every job.
                std::lock_guard lock(mutex_);
                starting_ -= toStart - t;
                break;
            }
        }
    }

    // Takes back the helpers no thread took and waits for those that did.
    void finish(Call& call) {
        if (call.wanted == 0) return;
        std::unique_lock lock(mutex_);
        if (const auto it = std::find(calls_.begin(), calls_.end(), &call); it != calls_.end()) calls_.erase(it);
        untaken_ -= call.wanted - call.taken;
        call.wanted = call.taken;
        call.done.wait(lock, [&] { return call.running == 0; });
    }

private:
    void serve() {
        Cpus own = Cpus::ofThisThread();
        std::unique_lock lock(mutex_);
        --starting_;
        for (;;) {
            ++idle_;
            offered_.wait(lock, [this] { return !calls_.empty(); });
            --idle_;
            Call& call = *calls_.front();
            const size_t thread = ++call.taken;
            --untaken_;
            if (call.taken == call.wanted) calls_.pop_front();
            ++call.running;
            lock.unlock();
            if (call.cpus.known && !call.cpus.same(own) &&
                ::sched_setaffinity(0, sizeof call.cpus.set, &call.cpus.set) == 0)
                own = call.cpus;
            (*call.work)(thread);
            lock.lock();
            if (--call.running == 0) call.done.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable offered_;
    std::deque<Call*> calls_;  // with helpers no thread took yet
    size_t untaken_ = 0;       // those helpers
    size_t idle_ = 0;
    size_t starting_ = 0;  // threads started that are not yet idle
};

// Runs work(1) to work(threads - 1) on the pool's threads while the calling thread works, and
// waits for them when it ends, however it ends.
class Helpers {
public:
    Helpers(size_t threads, const std::function<void(size_t thread)>& work) {
        call_.work = &work;
        call_.wanted = threads > 1 ? threads - 1 : 0;
        call_.cpus = Cpus::ofThisThread();
        Pool::shared().offer(call_);
    }
    ~Helpers() { Pool::shared().finish(call_); }
    Helpers(const Helpers&) = delete;
    Helpers& operator=(const Helpers&) = delete;

private:
    Call call_;
};

// The first exception a job threw, on whichever thread, for the calling thread to throw again
// once every thread is done.
class Failure {
public:
    void keep(std::exception_ptr e) {
        std::lock_guard lock(mutex_);
        if (!first_) first_ = std::move(e);
        failed_.store(true, std::memory_order_release);
    }
    bool failed() const { return failed_.load(std::memory_order_acquire); }
    void rethrow() {
        if (failed()) std::rethrow_exception(first_);
    }

private:
    std::mutex mutex_;
    std::exception_ptr first_;
    std::atomic<bool> failed_{false};
};

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
}  // namespace

void inParallel(size_t n, size_t threads, const std::function<void(size_t, size_t)>& job) {
    std::atomic<size_t> next{0};
    Failure failure;
    const std::function<void(size_t)> work = [&](size_t thread) {
        try {
            for (size_t k; (k = next.fetch_add(1)) < n;) job(k, thread);
        } catch (...) {
            failure.keep(std::current_exception());
            next.store(n);  // no job more is started
        }
    };
    {
        const Helpers helpers(std::min(threads, n), work);
        work(0);
    }
    failure.rethrow();
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
    Failure failure;
    // A stretch whose making failed is not delivered, nor any after it: the calling thread
    // stops waiting, and no stretch more is started.
    auto stop = [&](std::exception_ptr e) {
        failure.keep(std::move(e));
        next.store(stretches);
        { std::lock_guard lock(mutex); }
        madeOne.notify_all();
    };
    auto makeStretch = [&](size_t k, size_t thread) {
        try {
            make(cut.from(k), cut.to(k), thread);
        } catch (...) {
            stop(std::current_exception());
            return;
        }
        {
            std::lock_guard lock(mutex);
            made[k].store(true, std::memory_order_release);
        }
        madeOne.notify_one();
    };
    const std::function<void(size_t)> help = [&](size_t thread) {
        for (size_t k; (k = next.fetch_add(1)) < stretches;) makeStretch(k, thread);
    };
    {
        // Should deliver throw, the helpers are stopped and waited for before the stack goes.
        struct StopHelpers {
            std::atomic<size_t>& next;
            size_t stretches;
            ~StopHelpers() { next.store(stretches); }
        };
        const Helpers helpers(std::min(cut.workers, stretches), help);
        const StopHelpers stopHelpers{next, stretches};
        for (size_t k = 0; k < stretches && !failure.failed(); ++k) {
            while (!made[k].load(std::memory_order_acquire) && !failure.failed()) {
                if (const size_t other = next.fetch_add(1); other < stretches) {
                    makeStretch(other, 0);
                    continue;
                }
                std::unique_lock lock(mutex);
                madeOne.wait(lock, [&] { return made[k].load(std::memory_order_acquire) || failure.failed(); });
            }
            if (failure.failed()) break;
            deliver(cut.from(k), cut.to(k));
        }
    }
    failure.rethrow();
}

}  // namespace carve
