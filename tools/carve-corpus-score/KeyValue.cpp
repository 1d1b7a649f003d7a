#include "KeyValue.h"

#include <QString>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdlib>

namespace corpusscore {

namespace {

// A key's number read whole: an integer, or a real (nullopt for anything else, or a number
// with something after it).
std::optional<int64_t> integerOf(std::string_view s) {
    int64_t v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty()) return std::nullopt;
    return v;
}

std::optional<double> realOf(std::string_view s) {
    double v = 0;
    const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
    if (ec != std::errc() || end != s.data() + s.size() || s.empty() || !std::isfinite(v)) return std::nullopt;
    return v;
}

// Whether two reals are at most a few representable numbers apart.
bool nearlyEqual(double a, double b) {
    if (a == b) return true;
    if (std::signbit(a) != std::signbit(b)) return false;
    const auto x = std::bit_cast<int64_t>(a), y = std::bit_cast<int64_t>(b);
    constexpr int64_t kUnits = 4;
    return (x > y ? x - y : y - x) <= kUnits;
}

std::optional<std::string> hexBytes(std::string_view s) {
    if (s.size() >= 3 && (s[0] == 'X' || s[0] == 'x') && s[1] == '\'' && s.back() == '\'')
        s = s.substr(2, s.size() - 3);
    if (s.size() % 2) return std::nullopt;
    std::string out;
    for (size_t i = 0; i < s.size(); i += 2) {
        unsigned byte = 0;
        const auto [end, ec] = std::from_chars(s.data() + i, s.data() + i + 2, byte, 16);
        if (ec != std::errc() || end != s.data() + i + 2) return std::nullopt;
        out.push_back(static_cast<char>(byte));
    }
    return out;
}

std::string bigEndian(uint64_t v, int bytes) {
    std::string out(static_cast<size_t>(bytes), '\0');
    for (int i = bytes - 1; i >= 0; --i, v >>= 8) out[static_cast<size_t>(i)] = static_cast<char>(v & 0xff);
    return out;
}

std::string integerBytes(int64_t v) {
    if (v == 0 || v == 1) return {};
    for (int bytes : {1, 2, 3, 4, 6}) {
        const int64_t limit = int64_t{1} << (8 * bytes - 1);
        if (v >= -limit && v < limit) return bigEndian(static_cast<uint64_t>(v), bytes);
    }
    return bigEndian(static_cast<uint64_t>(v), 8);
}

std::string realBytes(double v) {
    // A whole number a REAL column holds goes to disk as an integer.
    if (v == std::trunc(v) && std::fabs(v) < 9.0e18) return integerBytes(static_cast<int64_t>(v));
    return bigEndian(std::bit_cast<uint64_t>(v), 8);
}

}  // namespace

std::string encodedText(std::string_view utf8, TextEncoding encoding) {
    if (encoding == TextEncoding::utf8) return std::string(utf8);
    const QString text = QString::fromUtf8(utf8.data(), static_cast<qsizetype>(utf8.size()));
    std::string out;
    out.reserve(2 * static_cast<size_t>(text.size()));
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const char hi = static_cast<char>(u >> 8), lo = static_cast<char>(u & 0xff);
        out.push_back(encoding == TextEncoding::utf16le ? lo : hi);
        out.push_back(encoding == TextEncoding::utf16le ? hi : lo);
    }
    return out;
}

bool sameValue(std::string_view key, const carve::CarvedValue& carved, TextEncoding encoding) {
    using carve::CarvedValue;
    if (carved.isLost()) return false;
    if (key == "NULL" && carved.type == CarvedValue::null) return true;
    switch (carved.type) {
    case CarvedValue::null:
    case CarvedValue::lost: return false;
    case CarvedValue::integerValue: {
        if (const auto v = integerOf(key)) return *v == carved.integer;
        const auto r = realOf(key);
        return r && *r == std::trunc(*r) && *r == static_cast<double>(carved.integer);
    }
    case CarvedValue::realValue: {
        const auto r = realOf(key);
        return r && nearlyEqual(*r, carved.real);
    }
    case CarvedValue::text: return carved.bytesView() == encodedText(key, encoding);
    case CarvedValue::blob: {
        if (carved.bytesView() == key) return true;
        const auto bytes = hexBytes(key);
        return bytes && carved.bytesView() == *bytes;
    }
    }
    return false;
}

std::optional<std::string> recordBytes(std::string_view key, carve::ColumnAffinity affinity, TextEncoding encoding) {
    using carve::ColumnAffinity;
    if (key == "NULL") return std::string();
    const auto integer = integerOf(key);
    const auto real = integer ? std::nullopt : realOf(key);
    switch (affinity) {
    case ColumnAffinity::text: return encodedText(key, encoding);
    case ColumnAffinity::integer:
    case ColumnAffinity::numeric:
    case ColumnAffinity::real:
        if (integer) return integerBytes(*integer);
        if (real) return realBytes(*real);
        return encodedText(key, encoding);
    case ColumnAffinity::blob:
        if (integer || real) return std::nullopt;
        return encodedText(key, encoding);
    }
    return std::nullopt;
}

}  // namespace corpusscore
