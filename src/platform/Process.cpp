#include "platform/Process.h"

#include <cerrno>
#include <csignal>
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

}  // namespace

namespace process {

int start(const std::string& program, const std::vector<std::string>& args) {
    pid_t pid = -1;
    auto av = argv(program, args);
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, av.data(), environ) != 0) return -1;
    return pid;
}

int runAndWait(const std::string& program, const std::vector<std::string>& args) {
    pid_t pid = start(program, args);
    if (pid < 0) return -1;
    int status = 0;
    while (waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return exitStatus(status);
}

void terminate(int pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
}

}  // namespace process
