#include "OutputCheck.h"

#include "platform/Paths.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <type_traits>
#include <variant>

namespace bench {

void OutputCheck::add(const std::string& text) { add(text.data(), text.size()); }

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

std::string OutputCheck::finish() {
    unsigned words[5] = {};
    std::string text;
    if (sha_.Result(words)) SHAH::DigestToHex(words, text);
    sha_.Reset();
    return text;
}

bool matchesPreviousBuild(const std::string& name, const std::string& digest, std::string* message) {
    const std::filesystem::path folder = std::filesystem::path(paths::executableDirectory()) / ".." / "bench-output";
    const std::filesystem::path file = folder / (name + ".sha1");
    const char* accept = std::getenv("QUILLOMATRIX_BENCH_ACCEPT");
    std::string recorded;
    if (std::ifstream in(file); in) std::getline(in, recorded);
    if (!recorded.empty() && recorded != digest && !(accept && std::string(accept) == "1")) {
        if (message)
            *message = name + ": output differs from the previous build's (" + digest + " against " + recorded +
                       "); QUILLOMATRIX_BENCH_ACCEPT=1 records the new one";
        return false;
    }
    std::error_code ignored;
    std::filesystem::create_directories(folder, ignored);
    std::ofstream(file, std::ios::trunc) << digest << "\n";
    if (message) message->clear();
    return true;
}

}  // namespace bench
