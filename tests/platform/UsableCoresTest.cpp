#include "TestSupport.h"
#include "platform/UsableCores.h"

#include <filesystem>
#include <fstream>
#include <pthread.h>
#include <sched.h>
#include <thread>

using namespace usablecores;

namespace {

// Writes text to root/path, making the folders on the way.
void write(const std::string& root, const std::string& path, const std::string& text) {
    const std::filesystem::path file = std::filesystem::path(root) / path;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << text;
}

}  // namespace

TEST(UsableCores, QuotaTextsGiveTheCoresTheyAllowRoundedUp) {
    // cgroup v2's cpu.max: "max" is no quota; a quota is cores' worth of the period.
    EXPECT_FALSE(cpuMaxLimit("max 100000\n"));
    EXPECT_EQ(coresWithin(8, cpuMaxLimit("400000 100000\n")), 4u);
    EXPECT_EQ(coresWithin(8, cpuMaxLimit("150000 100000")), 2u);
    EXPECT_EQ(coresWithin(8, cpuMaxLimit("50000 100000")), 1u);
    // Not a quota: no limit rather than none of the cores.
    for (const char* text : {"", "400000", "0 100000", "400000 0", "4x 100000", "-1 100000"})
        EXPECT_FALSE(cpuMaxLimit(text)) << text;
    // cgroup v1's quota and period, -1 for none.
    EXPECT_FALSE(cfsLimit("-1\n", "100000\n"));
    EXPECT_EQ(coresWithin(8, cfsLimit("200000\n", "100000\n")), 2u);
    EXPECT_EQ(coresWithin(8, cfsLimit("250000", "100000")), 3u);
    EXPECT_FALSE(cfsLimit("", ""));
}

TEST(UsableCores, TheAffinityBoundsTheQuotaAndAtLeastOneCoreIsLeft) {
    EXPECT_EQ(coresWithin(4, 8.0), 4u);
    EXPECT_EQ(coresWithin(4, std::nullopt), 4u);
    EXPECT_EQ(coresWithin(0, std::nullopt), 1u);
    EXPECT_EQ(coresWithin(4, 0.01), 1u);

    // A thread let run on one CPU counts one, and sizes its pools by it, whatever the process
    // was let use when it first asked.
    EXPECT_GE(usableCores(), 1u);
    size_t counted = 0, usable = 0, workers = 0;
    std::thread pinned([&] {
        cpu_set_t one;
        CPU_ZERO(&one);
        CPU_SET(sched_getcpu(), &one);
        if (pthread_setaffinity_np(pthread_self(), sizeof one, &one) != 0) return;
        counted = affinityCores();
        usable = usableCores();
        workers = workerCores();
    });
    pinned.join();
    EXPECT_EQ(counted, 1u);
    EXPECT_EQ(usable, 1u);
    EXPECT_EQ(workers, 1u);
    EXPECT_GE(usableCores(), 1u);
    EXPECT_LE(usableCores(), std::max<size_t>(affinityCores(), 1));
}

using UsableCoresFiles = testsupport::HomeTest;

TEST_F(UsableCoresFiles, TheTightestQuotaOfTheOwnGroupAndTheGroupsAboveItCounts) {
    const std::string v2 = testsupport::scratchDirectory("cgroup-v2");
    write(v2, "cpu.max", "max 100000\n");
    write(v2, "user.slice/cpu.max", "300000 100000\n");
    write(v2, "user.slice/app.scope/cpu.max", "max 100000\n");
    EXPECT_EQ(cgroupLimit(v2, "0::/user.slice/app.scope\n"), 3.0);
    // A group the folders do not show (the mount holds another part of the tree) is passed over.
    EXPECT_EQ(cgroupLimit(v2, "0::/user.slice/gone.scope\n"), 3.0);
    write(v2, "user.slice/app.scope/cpu.max", "150000 100000\n");
    EXPECT_EQ(cgroupLimit(v2, "0::/user.slice/app.scope\n"), 1.5);
    EXPECT_FALSE(cgroupLimit(v2, "0::/\n"));
    // Never read above the mount.
    write(v2, "../cpu.max", "100000 100000\n");
    EXPECT_FALSE(cgroupLimit(v2, "0::../\n"));

    const std::string v1 = testsupport::scratchDirectory("cgroup-v1");
    write(v1, "cpu,cpuacct/cpu.cfs_quota_us", "-1\n");
    write(v1, "cpu,cpuacct/cpu.cfs_period_us", "100000\n");
    write(v1, "cpu,cpuacct/docker/abc/cpu.cfs_quota_us", "250000\n");
    write(v1, "cpu,cpuacct/docker/abc/cpu.cfs_period_us", "100000\n");
    write(v1, "memory/docker/abc/cpu.cfs_quota_us", "100000\n");  // not the cpu controller's
    const char* groups = "12:memory:/docker/abc\n4:cpu,cpuacct:/docker/abc\n0::/docker/abc\n";
    EXPECT_EQ(coresWithin(8, cgroupLimit(v1, groups)), 3u);
    EXPECT_FALSE(cgroupLimit(v1, "12:memory:/docker/abc\n"));
    EXPECT_FALSE(cgroupLimit(testsupport::scratchDirectory("no-cgroups"), groups));
}

TEST(UsableCores, AWindowKeepsOneCoreWhileItAsks) {
    const size_t all = usableCores();
    EXPECT_EQ(workerCores(), all);
    {
        KeepOneCoreFree kept;
        EXPECT_EQ(workerCores(), all > 1 ? all - 1 : 1);
    }
    EXPECT_EQ(workerCores(), all);
}
