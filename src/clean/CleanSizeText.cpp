#include "clean/CleanSizeText.h"

// TEMPORARY until the shared byte-size helpers are on main.
#include <cstdio>

namespace clean {

QString sizeText(uint64_t bytes) {
    const char* units[] = {"B", "KB", "MB", "GB", "TB"};
    double v = double(bytes);
    int u = 0;
    while (v >= 1000.0 && u < 4) { v /= 1000.0; ++u; }
    char buf[100];
    std::snprintf(buf, sizeof buf, u ? "%.2f%s" : "%.0f%s", v, units[u]);
    return QString::fromLatin1(buf);
}

}  // namespace clean
