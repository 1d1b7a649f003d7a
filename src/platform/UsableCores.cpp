#include "platform/UsableCores.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sched.h>
#include <sstream>
#include <thread>

namespace usablecores {

namespace {

std::atomic<int> coresKeptFree{0};

std::string_view trimmed(std::string_view text) {
    const auto space = [](char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; };
    while (!text.empty() && space(text.front())) text.remove_prefix(1);
    while (!text.empty() && space(text.back())) text.remove_suffix(1);
    return text;
}

// A whole decimal number filling the text (spaces around it aside).
std::optional<int64_t> wholeNumber(std::string_view text) {
    text = trimmed(text);
    int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || text.empty()) return std::nullopt;
    return value;
}

std::optional<double> ratio(std::optional<int64_t> quota, std::optional<int64_t> period) {
    if (!quota || !period || *quota <= 0 || *period <= 0) return std::nullopt;
    return static_cast<double>(*quota) / static_cast<double>(*period);
}

std::string fileText(const std::filesystem::path& path) {
    std::ifstream in(path);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

std::optional<double> tighter(std::optional<double> a, std::optional<double> b) {
    if (!a) return b;
    if (!b) return a;
    return std::min(*a, *b);
}

// The limit the group at path below mount sets, and every group above it up to mount's own:
// limitIn(folder) reads one group's. A group missing here (its mount shows another part of the
// tree) is passed over.
template <class LimitIn>
std::optional<double> limitUpFrom(const std::filesystem::path& mount, std::string_view path, const LimitIn& limitIn) {
    std::filesystem::path group = std::filesystem::path(std::string(path)).lexically_normal().relative_path();
    std::optional<double> limit;
    for (;;) {
        // Never above the mount, whatever the path holds.
        if (!group.empty() && *group.begin() == "..") break;
        limit = tighter(limit, limitIn(mount / group));
        if (group.empty()) break;
        group = group.has_parent_path() ? group.parent_path() : std::filesystem::path();
    }
    return limit;
}

bool namesCpuController(std::string_view controllers) {
    while (!controllers.empty()) {
        const size_t comma = controllers.find(',');
        if (controllers.substr(0, comma) == "cpu") return true;
        if (comma == std::string_view::npos) break;
        controllers.remove_prefix(comma + 1);
    }
    return false;
}

}  // namespace

std::optional<double> cpuMaxLimit(std::string_view text) {
    text = trimmed(text);
    const size_t space = text.find(' ');
    if (space == std::string_view::npos) return std::nullopt;
    return ratio(wholeNumber(text.substr(0, space)), wholeNumber(text.substr(space + 1)));
}

std::optional<double> cfsLimit(std::string_view quota, std::string_view period) {
    return ratio(wholeNumber(quota), wholeNumber(period));
}

std::optional<double> cgroupLimit(const std::string& root, std::string_view procSelfCgroup) {
    const std::filesystem::path mount(root);
    std::optional<double> limit;
    std::istringstream lines{std::string(procSelfCgroup)};
    for (std::string line; std::getline(lines, line);) {
        // "hierarchy:controllers:path"; the path may itself hold colons.
        const size_t first = line.find(':'), second = first == std::string::npos ? first : line.find(':', first + 1);
        if (second == std::string::npos) continue;
        const std::string_view controllers = std::string_view(line).substr(first + 1, second - first - 1);
        const std::string_view path = std::string_view(line).substr(second + 1);
        if (line.compare(0, first, "0") == 0 && controllers.empty()) {
            limit = tighter(limit, limitUpFrom(mount, path, [](const std::filesystem::path& group) {
                                return cpuMaxLimit(fileText(group / "cpu.max"));
                            }));
        } else if (namesCpuController(controllers)) {
            // The cpu controller's mount, by the names systems give it.
            for (const char* name : {"cpu,cpuacct", "cpuacct,cpu", "cpu"}) {
                std::error_code none;
                if (!std::filesystem::is_directory(mount / name, none)) continue;
                limit = tighter(limit, limitUpFrom(mount / name, path, [](const std::filesystem::path& group) {
                                    return cfsLimit(fileText(group / "cpu.cfs_quota_us"),
                                                    fileText(group / "cpu.cfs_period_us"));
                                }));
                break;
            }
        }
    }
    return limit;
}

size_t affinityCores() {
    // Sets sized for ever more CPUs until the system's fits.
    for (int cpus = CPU_SETSIZE; cpus <= (1 << 16); cpus *= 2) {
        cpu_set_t* set = CPU_ALLOC(cpus);
        if (!set) break;
        const size_t bytes = CPU_ALLOC_SIZE(cpus);
        CPU_ZERO_S(bytes, set);
        const bool read = ::sched_getaffinity(0, bytes, set) == 0;
        const int count = read ? CPU_COUNT_S(bytes, set) : 0;
        CPU_FREE(set);
        if (read) return static_cast<size_t>(count);
        if (errno != EINVAL) break;
    }
    return std::thread::hardware_concurrency();
}

size_t coresWithin(size_t affinity, std::optional<double> limit) {
    size_t cores = affinity;
    if (limit && std::isfinite(*limit)) {
        const double rounded = std::ceil(*limit);
        if (rounded < static_cast<double>(cores)) cores = static_cast<size_t>(rounded);
    }
    return std::max<size_t>(cores, 1);
}

size_t usableCores() {
    // The quota is read once. The affinity is asked each time (one system call): a thread kept
    // to fewer CPUs since the process started (a run kept to four cores) sizes its pools by them,
    // and the threads it starts keep to them too.
    static const std::optional<double> limit = cgroupLimit("/sys/fs/cgroup", fileText("/proc/self/cgroup"));
    return coresWithin(affinityCores(), limit);
}

size_t workerCores() {
    const size_t cores = usableCores();
    return coresKeptFree.load() > 0 && cores > 1 ? cores - 1 : cores;
}

KeepOneCoreFree::KeepOneCoreFree() { ++coresKeptFree; }

KeepOneCoreFree::~KeepOneCoreFree() { --coresKeptFree; }

}  // namespace usablecores
