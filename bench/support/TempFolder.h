// A benchmark's own folder for the files it generates (100 MB databases), under the private
// temporary folder, removed with the object. A benchmark cannot go on without it.
#pragma once

#include "platform/ScratchFolder.h"

#include <string>

namespace bench {

class TempFolder : public ScratchFolder {
public:
    explicit TempFolder(const std::string& prefix);
};

}  // namespace bench
