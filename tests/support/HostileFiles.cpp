#include "HostileFiles.h"

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <sys/stat.h>
#include <unistd.h>

namespace testsupport {

std::string deepXmlPropertyList(int depth) {
    std::string text = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<plist version=\"1.0\">";
    for (int i = 0; i < depth; ++i) text += "<array>";
    for (int i = 0; i < depth; ++i) text += "</array>";
    return text + "</plist>\n";
}

std::string deepBinaryPropertyList(int depth, int fanOut) {
    // Object i is an array holding object i+1 fanOut times; the last one is empty.
    auto bigEndian = [](std::string& out, uint64_t v, int size) {
        for (int i = size - 1; i >= 0; --i) out += static_cast<char>((v >> (8 * i)) & 0xff);
    };
    std::string out = "bplist00";
    std::string table;
    for (int i = 0; i < depth; ++i) {
        bigEndian(table, out.size(), 4);
        const bool last = i == depth - 1;
        out += static_cast<char>(0xA0 | (last ? 0 : fanOut));
        if (!last)
            for (int k = 0; k < fanOut; ++k) bigEndian(out, static_cast<uint64_t>(i + 1), 4);
    }
    const uint64_t tableOffset = out.size();
    out += table;
    out += std::string(6, '\0');
    out += static_cast<char>(4);  // offset size
    out += static_cast<char>(4);  // reference size
    bigEndian(out, static_cast<uint64_t>(depth), 8);
    bigEndian(out, 0, 8);
    bigEndian(out, tableOffset, 8);
    return out;
}

bool makeFifo(const std::string& path) {
    ::unlink(path.c_str());
    return ::mkfifo(path.c_str(), 0600) == 0;
}

bool writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << bytes;
    return static_cast<bool>(out.flush());
}

std::map<std::string, std::string> folderPicture(const std::string& folder) {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> picture;
    for (auto it = fs::recursive_directory_iterator(folder); it != fs::recursive_directory_iterator(); ++it) {
        const std::string path = it->path().string();
        struct stat st {};
        ::lstat(path.c_str(), &st);
        std::ostringstream entry;
        entry << std::oct << st.st_mode << ' ' << st.st_size << ' ';
        if (S_ISLNK(st.st_mode)) {
            entry << fs::read_symlink(it->path()).string();
        } else if (S_ISREG(st.st_mode)) {
            std::ifstream in(path, std::ios::binary);
            entry << in.rdbuf();
        }
        picture[path.substr(folder.size())] = entry.str();
    }
    return picture;
}

}  // namespace testsupport
