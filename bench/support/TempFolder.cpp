#include "TempFolder.h"

#include <cstdio>
#include <cstdlib>

namespace bench {

TempFolder::TempFolder(const std::string& prefix) : ScratchFolder(prefix) {
    if (!path().empty()) return;
    std::fprintf(stderr, "benchmark: no folder of its own can be made in the private temporary folder\n");
    std::abort();
}

}  // namespace bench
