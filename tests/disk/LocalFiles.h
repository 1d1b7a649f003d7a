// What the disk tests read back from the computer's disk: a file's bytes, and a folder tree.
#pragma once

#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

namespace localfiles {

inline std::string slurp(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

// Every entry below root by its relative path, files as "F:" and their bytes, folders as "D".
// With fold, each component's one leading dot is dropped, as exports name them.
inline std::map<std::string, std::string> treeOf(const std::filesystem::path& root, bool fold = false) {
    std::map<std::string, std::string> tree;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(root)) {
        std::string rel;
        for (const auto& part : std::filesystem::relative(entry.path(), root)) {
            std::string name = part.string();
            if (fold && name.starts_with('.')) name.erase(0, 1);
            rel += (rel.empty() ? "" : "/") + name;
        }
        tree[rel] = entry.is_regular_file() ? "F:" + slurp(entry.path()) : "D";
    }
    return tree;
}

}  // namespace localfiles
