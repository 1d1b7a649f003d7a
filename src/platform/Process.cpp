#include "platform/Process.h"

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::vector<char*> argv(const std::string& program, const std::vector<std::string>& args) {
    std::vector<char*> out;
    out.push_back(const_cast<char*>(program.c_str()));
    for (const auto& a : args) out.push_back(const_cast<char*>(a.c_str()));
    out.push_back(nullptr);
    return out;
}

int exitStatus(int status) {
    if (WIFEXITED(status)) return WEXITSTATUS(status);
    if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
    return -1;
}

int spawn(const std::string& program, const std::vector<std::string>& args, char** envp,
          const posix_spawn_file_actions_t* actions = nullptr) {
    pid_t pid = -1;
    auto av = argv(program, args);
    if (posix_spawn(&pid, program.c_str(), actions, nullptr, av.data(), envp) != 0) return -1;
    return pid;
}

std::vector<char*> envp(const std::vector<std::string>& environment) {
    std::vector<char*> out;
    for (const auto& entry : environment) out.push_back(const_cast<char*>(entry.c_str()));
    out.push_back(nullptr);
    return out;
}

int waitFor(pid_t pid) {
    if (pid < 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return exitStatus(status);
}

}  // namespace

namespace process {

int start(const std::string& program, const std::vector<std::string>& args) { return spawn(program, args, environ); }

int runAndWait(const std::string& program, const std::vector<std::string>& args) {
    return waitFor(start(program, args));
}

int runAndWait(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& environment) {
    auto env = envp(environment);
    return waitFor(spawn(program, args, env.data()));
}

int runAndWait(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& environment, std::string* errorOutput) {
    if (!errorOutput) return runAndWait(program, args, environment);
    errorOutput->clear();
    int fds[2];
    if (pipe2(fds, O_CLOEXEC) != 0) return -1;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDERR_FILENO);
    auto env = envp(environment);
    const int pid = spawn(program, args, env.data(), &actions);
    posix_spawn_file_actions_destroy(&actions);
    ::close(fds[1]);
    // Read until the child (and anything it left running) closes the pipe, so that a chatty
    // child never blocks on a full pipe; only the tail is kept.
    constexpr size_t kKept = 4096;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fds[0], buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        errorOutput->append(buffer, size_t(n));
        if (errorOutput->size() > 2 * kKept) errorOutput->erase(0, errorOutput->size() - kKept);
    }
    ::close(fds[0]);
    if (errorOutput->size() > kKept) errorOutput->erase(0, errorOutput->size() - kKept);
    return waitFor(pid);
}

void terminate(int pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
}

}  // namespace process
