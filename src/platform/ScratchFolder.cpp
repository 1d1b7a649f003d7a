#include "platform/ScratchFolder.h"

#include "platform/Paths.h"

#include <cstdlib>
#include <filesystem>

ScratchFolder::ScratchFolder(const std::string& prefix) {
    const std::string base = paths::privateTempDirectory();
    if (base.empty()) return;
    std::string pattern = base + "/" + prefix + "-XXXXXX";
    if (::mkdtemp(pattern.data())) path_ = std::move(pattern);
}

ScratchFolder::~ScratchFolder() {
    if (path_.empty()) return;
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}
