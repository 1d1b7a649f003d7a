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

int spawn(const std::string& program, const std::vector<std::string>& args, char** envp) {
    pid_t pid = -1;
    auto av = argv(program, args);
    if (posix_spawn(&pid, program.c_str(), nullptr, nullptr, av.data(), envp) != 0) return -1;
    return pid;
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

int start(const std::string& program, const std::vector<std::string>& args) {
    return spawn(program, args, environ);
}

int runAndWait(const std::string& program, const std::vector<std::string>& args) {
    return waitFor(start(program, args));
}

int runAndWait(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& environment) {
    std::vector<char*> envp;
    for (const auto& entry : environment) envp.push_back(const_cast<char*>(entry.c_str()));
    envp.push_back(nullptr);
    return waitFor(spawn(program, args, envp.data()));
}

void terminate(int pid) {
    if (pid <= 0) return;
    kill(pid, SIGTERM);
    int status = 0;
    while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {}
}

}  // namespace process
