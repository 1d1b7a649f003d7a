// Runs a separate program and waits for it, as the system does with its backup tool.
#pragma once

#include <string>
#include <vector>

namespace process {
// Runs program with args (no shell) and waits. Returns its exit status, 128+N when signal N
// ended it, or -1 when it could not be started.
int runAndWait(const std::string& program, const std::vector<std::string>& args);
// The same with the child's environment given whole ("NAME=value" entries).
int runAndWait(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& environment);
// The same, keeping what the child writes on standard error (its last 4 KiB) in errorOutput.
int runAndWait(const std::string& program, const std::vector<std::string>& args,
               const std::vector<std::string>& environment, std::string* errorOutput);
// Starts program without waiting; returns its process id, or -1.
int start(const std::string& program, const std::vector<std::string>& args);
// Ends a process started with start() and reaps it.
void terminate(int pid);
}  // namespace process
