// A benchmark's own folder for the files it generates (100 MB databases), under the private
// temporary folder, removed with the object.
#pragma once

#include <string>

namespace bench {

class TempFolder {
public:
    explicit TempFolder(const std::string& prefix);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};

}  // namespace bench
