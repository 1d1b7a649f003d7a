// How many CPUs this process may run on, for sizing pools of threads: the machine may have more
// cores than the process is let use (a CPU affinity, a container's or a service's quota), and
// threads beyond those only take turns with one another.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace usablecores {

// The CPUs of the calling thread's affinity (which the threads it starts inherit), bounded by
// the process's control group's CPU quota (the tightest of its group and the groups above it),
// rounded up; at least 1. The quota is read once, at the first call; the affinity at each.
size_t usableCores();

// The threads a pool of background work may start: the usable cores, less one while a
// KeepOneCoreFree lives (a window then keeps a core of its own to answer clicks on); at least 1.
size_t workerCores();

// Leaves one of the usable cores out of workerCores() for as long as it lives.
class KeepOneCoreFree {
public:
    KeepOneCoreFree();
    ~KeepOneCoreFree();
    KeepOneCoreFree(const KeepOneCoreFree&) = delete;
    KeepOneCoreFree& operator=(const KeepOneCoreFree&) = delete;
};

// The parts of usableCores(), apart so that they can be tried on files written for the purpose.

// The CPUs a cgroup v2 "cpu.max" text lets the group use ("400000 100000": 4); none for "max" or
// a text that is not a quota.
std::optional<double> cpuMaxLimit(std::string_view text);
// The same for cgroup v1's cpu.cfs_quota_us and cpu.cfs_period_us texts; none for a quota of -1.
std::optional<double> cfsLimit(std::string_view quota, std::string_view period);
// The tightest limit of the control group that procSelfCgroup (the text of /proc/self/cgroup)
// names and of every group above it, read from the control group folders under root
// (/sys/fs/cgroup): cgroup v2's cpu.max, or cgroup v1's cpu controller; none without a quota.
std::optional<double> cgroupLimit(const std::string& root, std::string_view procSelfCgroup);
// The CPUs of the calling thread's affinity (the machine's cores when it cannot be read).
size_t affinityCores();
// The cores of an affinity bounded by a quota, rounded up; at least 1.
size_t coresWithin(size_t affinity, std::optional<double> limit);

}  // namespace usablecores
