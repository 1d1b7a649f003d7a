#include "platform/PropertyListDepth.h"

#include <cstdint>
#include <cstring>
#include <utility>
#include <vector>

namespace plistdepth {

namespace {

bool startsWith(const char* p, const char* end, const char* word) {
    const size_t n = std::strlen(word);
    return static_cast<size_t>(end - p) >= n && std::memcmp(p, word, n) == 0;
}

// After a tag name: a name continues with a letter, digit, '-', '_', ':' or '.'.
bool nameEndsAt(const char* p, const char* end) {
    if (p >= end) return true;
    const char c = *p;
    return !((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-' || c == '_' ||
             c == ':' || c == '.');
}

// The values the library may make from one file, shared references counted once per use.
constexpr uint64_t kMaxValues = 4u << 20;

uint64_t bigEndian(const uint8_t* p, size_t n) {
    uint64_t v = 0;
    for (size_t i = 0; i < n; ++i) v = (v << 8) | p[i];
    return v;
}

}  // namespace

Verdict checkXml(const char* bytes, size_t length, int maxDepth) {
    const char* p = bytes;
    const char* end = bytes + length;
    int depth = 0;
    while ((p = static_cast<const char*>(std::memchr(p, '<', static_cast<size_t>(end - p))))) {
        ++p;
        const bool closing = p < end && *p == '/';
        if (closing) ++p;
        const char* name = startsWith(p, end, "array") ? "array" : startsWith(p, end, "dict") ? "dict" : nullptr;
        if (!name) continue;
        p += std::strlen(name);
        if (!nameEndsAt(p, end)) continue;
        if (closing) {
            if (depth > 0) --depth;
            continue;
        }
        // <array/> holds nothing and opens no level.
        const char* close = static_cast<const char*>(std::memchr(p, '>', static_cast<size_t>(end - p)));
        if (close && close > p && close[-1] == '/') continue;
        if (++depth > maxDepth) return Verdict::tooDeep;
    }
    return Verdict::ok;
}

Verdict checkBinary(const char* bytes, size_t length, int maxDepth) {
    const auto* b = reinterpret_cast<const uint8_t*>(bytes);
    if (length < 8 + 32) return Verdict::ok;
    const uint8_t* trailer = b + length - 32;
    const size_t offsetSize = trailer[6];
    const size_t refSize = trailer[7];
    const uint64_t objects = bigEndian(trailer + 8, 8);
    const uint64_t top = bigEndian(trailer + 16, 8);
    const uint64_t table = bigEndian(trailer + 24, 8);
    const uint64_t bodyEnd = length - 32;
    if (offsetSize < 1 || offsetSize > 8 || refSize < 1 || refSize > 8 || objects == 0 || top >= objects ||
        table >= bodyEnd || objects > (bodyEnd - table) / offsetSize)
        return Verdict::ok;

    auto offsetOf = [&](uint64_t index, uint64_t* offset) {
        *offset = bigEndian(b + table + index * offsetSize, offsetSize);
        return *offset >= 8 && *offset < table;
    };
    // The references an array, set or dictionary object holds: where they start and how many.
    auto referencesOf = [&](uint64_t offset, uint64_t* first, uint64_t* count) {
        const uint8_t marker = b[offset];
        const uint8_t kind = marker >> 4;
        if (kind != 0xA && kind != 0xC && kind != 0xD) return false;
        uint64_t n = marker & 0x0F;
        uint64_t at = offset + 1;
        if (n == 0x0F) {
            if (at >= table || (b[at] >> 4) != 0x1) return false;
            const size_t size = size_t(1) << (b[at] & 0x0F);
            if (size > 8 || at + 1 + size > table) return false;
            n = bigEndian(b + at + 1, size);
            at += 1 + size;
        }
        if (kind == 0xD) {
            if (n > table) return false;
            n *= 2;
        }
        if (n > (table - at) / refSize) return false;
        *first = at;
        *count = n;
        return true;
    };

    // Depth-first with an explicit stack of (object, depth).
    std::vector<std::pair<uint64_t, int>> stack{{top, 1}};
    uint64_t values = 0;
    while (!stack.empty()) {
        const auto [index, depth] = stack.back();
        stack.pop_back();
        ++values;
        uint64_t offset = 0, first = 0, count = 0;
        if (!offsetOf(index, &offset) || !referencesOf(offset, &first, &count)) continue;
        if (depth > maxDepth) return Verdict::tooDeep;
        // Every reference pushed is visited later: counting them now keeps the stack bounded.
        if (count > kMaxValues - values - stack.size()) return Verdict::tooLarge;
        for (uint64_t k = 0; k < count; ++k) {
            const uint64_t child = bigEndian(b + first + k * refSize, refSize);
            if (child < objects) stack.emplace_back(child, depth + 1);
        }
    }
    return Verdict::ok;
}

}  // namespace plistdepth
