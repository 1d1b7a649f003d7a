#include "widgets/ByteSizeText.h"

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace bytesize {
namespace {

struct Unit {
    const char* name;
    int steps;  // divisions by 1000
};

Unit unitFor(uint64_t count) {
    if (count <= 999ULL) return {"bytes", 0};
    if (count <= 999999ULL) return {"KB", 1};
    if (count <= 999999999ULL) return {"MB", 2};
    if (count < 1000000000000ULL) return {"GB", 3};
    return {"TB", 4};
}

// The number at the start of text, read in the C locale; nullopt-like false when none.
bool leadingNumber(std::string_view text, double& out) {
    size_t start = 0;
    while (start < text.size() && (text[start] == ' ' || text[start] == '\t')) ++start;
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    if (first < last && *first == '+') ++first;
    auto [ptr, ec] = std::from_chars(first, last, out, std::chars_format::general);
    (void)ptr;
    return ec == std::errc();
}

uint64_t toCount(double value) {
    if (!(value > 0.0)) return 0;  // negative, zero and NaN
    if (value >= 18446744073709551616.0) return std::numeric_limits<uint64_t>::max();
    return static_cast<uint64_t>(value);  // truncates toward zero
}

}  // namespace

char* sizeToUnit(uint64_t count, char* buffer) {
    const Unit unit = unitFor(count);
    float value = static_cast<float>(count);
    for (int i = 0; i < unit.steps; ++i) value /= 1000.0f;
    // std::to_chars is locale-independent, unlike printf's "%.2f".
    char* end = buffer;
    auto result = std::to_chars(buffer, buffer + 60, value, std::chars_format::fixed, 2);
    if (result.ec == std::errc()) {
        end = result.ptr;
    } else {
        std::memcpy(buffer, "0.00", 4);
        end = buffer + 4;
    }
    const size_t unitLength = std::strlen(unit.name);
    std::memcpy(end, unit.name, unitLength + 1);
    return buffer;
}

std::string sizeToUnit(uint64_t count) {
    char buffer[kBufferSize] = {};
    return sizeToUnit(count, buffer);
}

uint64_t sizeFromString(std::string_view text) {
    if (text.empty()) return 0;
    uint64_t result = 0;
    if (text.size() > 5 && text.substr(text.size() - 5) == "bytes") {
        double number = 0;
        if (leadingNumber(text.substr(0, text.size() - 5), number)) result = toCount(number);
    }
    if (text.size() >= 2) {
        static const struct { const char* unit; double factor; } units[] = {
            {"KB", 1e3}, {"MB", 1e6}, {"GB", 1e9}, {"TB", 1e12}};
        const std::string_view tail = text.substr(text.size() - 2);
        for (const auto& u : units) {
            if (tail == u.unit) {
                double number = 0;
                if (!leadingNumber(text.substr(0, text.size() - 2), number)) return 0;
                return toCount(number * u.factor);
            }
        }
    }
    return result;
}

}  // namespace bytesize
