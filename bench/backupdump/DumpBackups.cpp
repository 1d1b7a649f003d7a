#include "DumpBackups.h"

#include "../support/CpuTime.h"
#include "../support/TempFolder.h"
#include "platform/Paths.h"
#include "platform/ResidentMemory.h"

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <fcntl.h>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <spawn.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

extern char** environ;

namespace dumpbench {

const Backup& backupOf(CarveKind kind, int rows, const char* name, int pageSize, int conversations, double inLog,
                       bool phoneHabits) {
    static std::map<std::string, std::unique_ptr<bench::TempFolder>> folders;
    static std::map<std::string, Backup> made;
    if (auto it = made.find(name); it != made.end()) return it->second;
    folders[name] = std::make_unique<bench::TempFolder>(name);
    Backup backup;
    backup.kind = kind;
    backup.folder = folders[name]->path();
    backup.pageSize = pageSize;
    carvefix::NaturalOptions& options = backup.options;
    options.ios = iosschema::Ios::v6;
    options.rows = rows;
    options.pageSize = backup.pageSize;
    options.conversations = conversations;
    options.inLog = inLog;
    options.phoneHabits = phoneHabits;
    backup.rows = carvefix::writeNaturalDatabase(backup.folder, kind, options);
    std::ofstream(backup.folder + "/Info.plist")
        << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\"><dict>"
           "<key>Product Version</key><string>6.1.4</string></dict></plist>\n";
    backup.database = backup.folder + "/" + carvefix::backupFileName(kind);
    for (const char* suffix : {"", "-wal"})
        if (std::filesystem::exists(backup.database + suffix))
            std::filesystem::copy_file(backup.database + suffix, backup.database + suffix + ".original",
                                       std::filesystem::copy_options::overwrite_existing);
    return made[name] = std::move(backup);
}

const Backup& messages100MB() {
    return backupOf(CarveKind::messages, 390000, "dump-bench-messages-100mb", 4096, 26666);
}

Run runBackupDump(const std::string& folder, bool quiet, bool carve,
                  const std::function<void(const char*, size_t)>& onLine, int cores) {
    Run run;
    const std::string program = paths::executableDirectory() + "/backup-dump";
    int out[2] = {-1, -1}, err[2] = {-1, -1};
    if ((onLine && ::pipe2(out, O_CLOEXEC) != 0) || ::pipe2(err, O_CLOEXEC) != 0) return run;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    if (onLine)
        posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    else
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, err[1], 2);
    std::vector<char*> argv = {const_cast<char*>(program.c_str())};
    if (carve) argv.push_back(const_cast<char*>("--carve"));
    if (quiet) argv.push_back(const_cast<char*>("--quiet"));
    argv.push_back(const_cast<char*>(folder.c_str()));
    argv.push_back(nullptr);
    pid_t pid = 0;
    std::optional<bench::OnFewCores> few;  // the child takes the processors of the thread that spawns it
    if (cores > 0) few.emplace(cores);
    const bool spawned = posix_spawn(&pid, program.c_str(), &actions, nullptr, argv.data(), environ) == 0;
    few.reset();
    posix_spawn_file_actions_destroy(&actions);
    ::close(err[1]);
    // Read until the process ends: the mark only rises, and the last reading is its peak but for
    // what it took in its last few milliseconds.
    std::atomic<bool> ended{false};
    std::atomic<long> peakKilobytes{0}, mostThreads{0};
    // The child's memory is read from its /proc status: its rusage would not do, since a child
    // spawned from this process counts this process's memory (the expected rows of a large file)
    // as its own until it runs backup-dump.
    std::thread watch([&] {
        while (spawned && !ended.load()) {
            if (const long kb = residentmemory::statusFigure(pid, "VmHWM"); kb > peakKilobytes.load())
                peakKilobytes = kb;
            if (const long threads = residentmemory::statusFigure(pid, "Threads"); threads > mostThreads.load())
                mostThreads = threads;
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    });
    // Standard error is read beside standard output, so that neither pipe fills while the other waits.
    std::thread errors([&] {
        char buffer[4096];
        for (ssize_t got; (got = ::read(err[0], buffer, sizeof buffer)) != 0;)
            if (got > 0)
                run.errors.append(buffer, static_cast<size_t>(got));
            else if (errno != EINTR)
                break;
        ::close(err[0]);
    });
    if (onLine) {
        ::close(out[1]);
        // Line by line, so that how the pipe happens to cut the output changes nothing.
        std::string pending;
        std::vector<char> buffer(1 << 20);
        for (;;) {
            const ssize_t got = ::read(out[0], buffer.data(), buffer.size());
            if (got < 0 && errno == EINTR) continue;
            if (got <= 0) break;
            pending.append(buffer.data(), static_cast<size_t>(got));
            size_t start = 0;
            for (size_t end; (end = pending.find('\n', start)) != std::string::npos; start = end + 1)
                onLine(pending.data() + start, end - start);
            pending.erase(0, start);
        }
        if (!pending.empty()) onLine(pending.data(), pending.size());
        ::close(out[0]);
    }
    errors.join();
    int status = 0;
    struct rusage usage {};
    // The last reading before the process is reaped (it may have ended already).
    if (spawned) {
        siginfo_t info{};
        ::waitid(P_PID, static_cast<id_t>(pid), &info, WEXITED | WNOWAIT);
    }
    ended = true;
    watch.join();
    run.ok = spawned && ::wait4(pid, &status, 0, &usage) == pid && WIFEXITED(status) && WEXITSTATUS(status) == 0;
    run.peakMegabytes = static_cast<double>(peakKilobytes.load()) / 1024.0;
    run.mostThreads = mostThreads.load();
    run.cpuSeconds = bench::secondsOf(usage);
    return run;
}

// Whether backup-dump said it looked through every page of the database.
bool everyPageLookedThrough(const Run& run, const Backup& backup) {
    const std::string said = "carved " + backup.database + ": all ";
    return run.errors.find(said) != std::string::npos;
}

}  // namespace dumpbench
