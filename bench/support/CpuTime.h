// What a run costs the processor beside what it takes on the clock: the user and system time of
// this process, of the calling thread, or of children waited for (getrusage), and a run kept to a
// few of the processors the benchmark may use, as on a smaller machine.
#pragma once

#include <sched.h>

struct rusage;

namespace bench {

// Seconds of user and system time a getrusage or wait4 answer gives.
double secondsOf(const rusage& usage);

// Seconds of user and system time of this process (all its threads).
double processCpuSeconds();
// Seconds of user and system time of the calling thread alone.
double threadCpuSeconds();

// Keeps the calling thread, and the threads and processes it starts while it lives, to the first
// cpus processors of those it may use; puts the thread's own set back when it ends. Answers how
// many it could keep to (all of them when there are fewer).
class OnFewCores {
public:
    explicit OnFewCores(int cpus);
    ~OnFewCores();
    OnFewCores(const OnFewCores&) = delete;
    OnFewCores& operator=(const OnFewCores&) = delete;
    int cores() const { return cores_; }

private:
    cpu_set_t before_{};
    bool set_ = false;
    int cores_ = 0;
};

}  // namespace bench
