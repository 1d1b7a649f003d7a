// What the running process holds in memory, as the system counts it (Linux /proc), for the
// tools and benchmarks that measure what a step costs beside what is held before it.
#pragma once

#include <sys/types.h>

namespace residentmemory {
// A "Name: N" figure of a process's /proc status (pid 0: this process), e.g. "VmHWM" in kB or
// "Threads"; -1 when unknown (a process that has ended included).
long statusFigure(pid_t pid, const char* field);
// The memory resident now, in MB; -1 when unknown.
int heldMegabytes();
// The resident high-water mark since the start or the last restartPeak, in MB; -1 when unknown.
int peakMegabytes();
// Starts the measure of a new peak at what is held now; false where the system does not let it.
bool restartPeak();
}  // namespace residentmemory
