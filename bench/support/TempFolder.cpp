#include "TempFolder.h"

#include "platform/Paths.h"

#include <cstdlib>
#include <filesystem>

namespace bench {

TempFolder::TempFolder(const std::string& prefix) {
    std::string pattern = paths::privateTempDirectory() + "/" + prefix + "-XXXXXX";
    if (!::mkdtemp(pattern.data())) std::abort();
    path_ = pattern;
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace bench
