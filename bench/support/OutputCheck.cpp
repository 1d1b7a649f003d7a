#include "OutputCheck.h"

#include "platform/Paths.h"

#include <algorithm>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <type_traits>
#include <variant>
#include <vector>

namespace bench {

void OutputCheck::add(const std::string& text) {
    if (!folder_.empty() && text.compare(0, folder_.size(), folder_) == 0) {
        const std::string named = "<folder>" + text.substr(folder_.size());
        add(named.data(), named.size());
        return;
    }
    add(text.data(), text.size());
}

void OutputCheck::add(const char* data, size_t length) {
    // Each piece is framed by its length, so "ab"+"c" and "a"+"bc" differ.
    add(static_cast<int64_t>(length));
    while (length > 0) {
        const unsigned part = length > (1u << 30) ? (1u << 30) : static_cast<unsigned>(length);
        sha_.Input(data, part);
        data += part;
        length -= part;
    }
}

void OutputCheck::add(int64_t number) {
    unsigned char bytes[8];
    for (int i = 0; i < 8; ++i) bytes[i] = static_cast<unsigned char>(static_cast<uint64_t>(number) >> (8 * i));
    sha_.Input(bytes, 8);
}

void OutputCheck::addFileBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    add(static_cast<int64_t>(in.is_open()));
    std::vector<char> chunk(1 << 20);
    while (in.read(chunk.data(), static_cast<std::streamsize>(chunk.size())) || in.gcount() > 0)
        add(chunk.data(), static_cast<size_t>(in.gcount()));
}

void OutputCheck::addFolder(const std::string& folder, bool bytes) {
    std::vector<std::filesystem::path> files;
    std::error_code error;
    for (std::filesystem::recursive_directory_iterator it(folder, error), end; !error && it != end; it.increment(error))
        if (it->is_regular_file()) files.push_back(it->path());
    std::sort(files.begin(), files.end());
    add(static_cast<int64_t>(files.size()));
    for (const std::filesystem::path& file : files) {
        add(file.lexically_relative(folder).string());
        add(static_cast<int64_t>(std::filesystem::file_size(file, error)));
        if (bytes) addFileBytes(file.string());
    }
}

void OutputCheck::addFields(const PRRecord& record) {
    for (const PRField& field : record.fields()) {
        add(field.name);
        add(static_cast<int64_t>(field.value.index()));
        std::visit(
            [&](const auto& value) {
                using T = std::decay_t<decltype(value)>;
                if constexpr (std::is_same_v<T, std::string>)
                    add(value);
                else if constexpr (!std::is_same_v<T, std::nullptr_t>)
                    add(static_cast<int64_t>(value));
            },
            field.value);
    }
}

void OutputCheck::addObject(const NSObjectPtr& object) {
    if (const auto record = std::dynamic_pointer_cast<PRRecord>(object)) {
        add(record->className());
        addFields(*record);
    } else if (const auto number = std::dynamic_pointer_cast<NSNumber>(object)) {
        add(static_cast<int64_t>(number->longLongValue()));
    } else {
        add(object ? "object" : "null");
    }
}

std::string OutputCheck::finish() {
    unsigned words[5] = {};
    std::string text;
    if (sha_.Result(words)) SHAH::DigestToHex(words, text);
    sha_.Reset();
    return text;
}

bool outputUnchanged(benchmark::State& run, const std::string& name, const std::string& digest) {
    const std::filesystem::path folder = std::filesystem::path(paths::executableDirectory()) / ".." / "bench-output";
    const std::filesystem::path file = folder / (name + ".sha1");
    const char* accept = std::getenv("QUILLOMATRIX_BENCH_ACCEPT");
    std::string recorded;
    if (std::ifstream in(file); in) std::getline(in, recorded);
    if (!recorded.empty() && recorded != digest && !(accept && std::string(accept) == "1")) {
        const std::string message = name + ": output differs from the previous build's (" + digest + " against " +
                                    recorded + "); QUILLOMATRIX_BENCH_ACCEPT=1 records the new one";
        run.SkipWithError(message.c_str());
        return false;
    }
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    std::ofstream(file, std::ios::trunc) << digest << "\n";
    return true;
}

}  // namespace bench
