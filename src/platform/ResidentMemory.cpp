#include "platform/ResidentMemory.h"

#include <cstdio>
#include <cstring>
#include <string>

namespace residentmemory {

long statusFigure(pid_t pid, const char* field) {
    const std::string path = pid == 0 ? "/proc/self/status" : "/proc/" + std::to_string(pid) + "/status";
    std::FILE* status = std::fopen(path.c_str(), "r");
    if (!status) return -1;
    const size_t length = std::strlen(field);
    char line[256];
    long figure = -1;
    while (figure < 0 && std::fgets(line, sizeof line, status))
        if (std::strncmp(line, field, length) == 0 && line[length] == ':')
            std::sscanf(line + length + 1, "%ld", &figure);
    std::fclose(status);
    return figure;
}

namespace {

// A "Name:  N kB" figure of this process's status, in MB; -1 when unknown.
int statusMegabytes(const char* field) {
    const long kilobytes = statusFigure(0, field);
    return kilobytes < 0 ? -1 : int(kilobytes / 1024);
}

}  // namespace

int heldMegabytes() { return statusMegabytes("VmRSS"); }

int peakMegabytes() { return statusMegabytes("VmHWM"); }

bool restartPeak() {
    // "5" sets the high-water mark to what is resident now.
    std::FILE* refs = std::fopen("/proc/self/clear_refs", "w");
    if (!refs) return false;
    const bool written = std::fputs("5", refs) >= 0;
    return std::fclose(refs) == 0 && written;
}

}  // namespace residentmemory
