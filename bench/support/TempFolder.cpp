#include "TempFolder.h"

#include <cstdlib>

namespace bench {

TempFolder::TempFolder(const std::string& prefix) : ScratchFolder(prefix) {
    if (path().empty()) std::abort();
}

}  // namespace bench
