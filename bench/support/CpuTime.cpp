#include "CpuTime.h"

#include <sys/resource.h>

namespace bench {

double secondsOf(const rusage& usage) {
    return static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

namespace {

double cpuSeconds(int who) {
    rusage usage{};
    return ::getrusage(who, &usage) == 0 ? secondsOf(usage) : 0;
}

}  // namespace

double processCpuSeconds() { return cpuSeconds(RUSAGE_SELF); }
double threadCpuSeconds() { return cpuSeconds(RUSAGE_THREAD); }

OnFewCores::OnFewCores(int cpus) {
    if (::sched_getaffinity(0, sizeof before_, &before_) != 0) return;
    cpu_set_t few;
    CPU_ZERO(&few);
    for (int c = 0; c < CPU_SETSIZE && cores_ < cpus; ++c)
        if (CPU_ISSET(c, &before_)) {
            CPU_SET(c, &few);
            ++cores_;
        }
    set_ = ::sched_setaffinity(0, sizeof few, &few) == 0;
    if (!set_) cores_ = CPU_COUNT(&before_);
}

OnFewCores::~OnFewCores() {
    if (set_) ::sched_setaffinity(0, sizeof before_, &before_);
}

}  // namespace bench
