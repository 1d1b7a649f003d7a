// A folder of the process's own for the files it makes and drops (a database written to be
// measured, a fuzzer's inputs): inside the private temporary folder, under a name no other
// process takes, removed with all it holds when the object goes.
#pragma once

#include <string>

class ScratchFolder {
public:
    // "<private temporary folder>/<prefix>-XXXXXX"; path() is empty when it cannot be made.
    explicit ScratchFolder(const std::string& prefix);
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }

private:
    std::string path_;
};
