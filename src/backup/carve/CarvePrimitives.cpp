#include "backup/carve/CarvePrimitives.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <initializer_list>
#include <vector>

namespace carve {

namespace {

// A pattern as the carvers write it: hex digits, compared digit by digit.
struct HexPattern {
    uint8_t nibbles[16];
    int length;
    // The digits as the high digits of a 64-bit number, and which bits they cover: a window
    // that starts on a whole byte is compared with one masked test.
    uint64_t value;
    uint64_t mask;
};

constexpr int hexDigit(char c) { return c <= '9' ? c - '0' : c - 'a' + 10; }

constexpr HexPattern P(const char* s) {
    HexPattern p{};
    int n = 0;
    while (s[n] && n < 16) {
        p.nibbles[n] = static_cast<uint8_t>(hexDigit(s[n]));
        ++n;
    }
    p.length = n;
    for (int i = 0; i < n; ++i) {
        p.value |= static_cast<uint64_t>(p.nibbles[i]) << (60 - 4 * i);
        p.mask |= uint64_t{0xf} << (60 - 4 * i);
    }
    return p;
}

using PatternList = std::initializer_list<HexPattern>;

const PatternList& recordPatterns(int type) {
    static const PatternList t1 = {P("0101"), P("0301"), P("0302"), P("0102"), P("0109"), P("0309")};
    static const PatternList t2 = {P("00110000"), P("001100"), P("0808080808"), P("0808000808080808"),
                                   P("0108000108080808")};
    static const PatternList t3 = {P("080800080808"),     P("080808080808"),     P("0001000000000055"),
                                   P("0001000000000155"), P("0000000000000055"), P("00000108"),
                                   P("00000801")};
    static const PatternList t4 = {P("01010809"),   P("01010901"),   P("09010809"),   P("01010101"),
                                   P("01010801"),   P("02010801"),   P("02010901"),   P("02010809"),
                                   P("02010101"),   P("01090809"),   P("0f0f080801"), P("0000040401"),
                                   P("0000040400"), P("0000040413"), P("ffd8ffe0"),   P("00000000000000")};
    static const PatternList t5 = {P("01010101")};
    static const PatternList t6 = {P("01010101010105"), P("010101")};
    static const PatternList none = {};
    switch (type) {
    case 1: return t1;
    case 2: return t2;
    case 3: return t3;
    case 4: return t4;
    case 5: return t5;
    case 6: return t6;
    default: return none;
    }
}

const PatternList& markPatterns(int type) {
    static const PatternList m1 = {P("0900"), P("0a00")};
    static const PatternList m2 = {P("1300"), P("2300"), P("2200")};
    static const PatternList m3 = {P("2000"), P("2100"), P("2200"), P("2a00"), P("2b00"), P("2c00")};
    static const PatternList m4 = {P("2300"), P("2400"), P("2500"), P("2600")};
    static const PatternList m5 = {P("0c00"), P("1400"), P("1900"), P("0d00"), P("1500"), P("1a00")};
    static const PatternList m6 = {P("1400"), P("1500")};
    static const PatternList none = {};
    switch (type) {
    case 1: return m1;
    case 2: return m2;
    case 3:
    case 7: return m3;
    case 4: return m4;
    case 5: return m5;
    case 6: return m6;
    default: return none;
    }
}

inline int nibbleAt(const uint8_t* data, int i) { return (i & 1) ? (data[i >> 1] & 0x0f) : (data[i >> 1] >> 4); }

// Does the digit text of data (digits digits long) hold pattern at digit offset off?
inline bool matchesAt(const uint8_t* data, int digits, int off, const HexPattern& p) {
    if (off + p.length > digits) return false;
    for (int i = 0; i < p.length; ++i)
        if (nibbleAt(data, off + i) != p.nibbles[i]) return false;
    return true;
}

// The bytes from data[0] on (count of them, at most 8 are used) as the high bytes of a number.
inline uint64_t highBytes(const uint8_t* data, int count) {
    uint64_t word = 0;
    if (count >= 8) {
        std::memcpy(&word, data, 8);
        return __builtin_bswap64(word);
    }
    for (int i = 0; i < count; ++i) word |= static_cast<uint64_t>(data[i]) << (56 - 8 * i);
    return word;
}

bool anyMatchesAt(const uint8_t* data, int digits, int off, int limit, const PatternList& list) {
    if (off % 2 == 0) {
        // Digits past the end read as zero here, but no pattern longer than what is left is tried.
        const uint64_t word = highBytes(data + off / 2, (digits - off + 1) / 2);
        for (const HexPattern& p : list)
            if (p.length <= limit && off + p.length <= digits && (word & p.mask) == p.value) return true;
        return false;
    }
    for (const HexPattern& p : list)
        if (p.length <= limit && matchesAt(data, digits, off, p)) return true;
    return false;
}

// The window search of the carvers: windows of w digits at every digit offset p < digits - w,
// each passing when an entry no longer than the window opens it.
int windowSearch(CarveFile& file, int64_t pos, size_t n, int w, const PatternList& list) {
    if (!CarveFile::readable(pos) || w <= 0) return 0;
    n = std::min(n, CarveFile::kMaxSpan);
    const uint8_t* data = file.bytes(pos, n);
    int digits = static_cast<int>(2 * n);
    for (int p = 0; p < digits - w; ++p)
        if (anyMatchesAt(data, p + w, p, w, list)) return 1;
    return 0;
}

// The byte at pos as the single-byte tests see it: -1 when nothing can be read there.
inline int testByte(CarveFile& file, int64_t pos) { return CarveFile::readable(pos) ? file.byte(pos) : -1; }

}  // namespace

uint64_t readBigEndian(const uint8_t* buffer, int64_t index, int count) {
    if (!buffer || count < 1) return 0;
    count = std::min(count, 8);
    uint64_t v = 0;
    for (int i = 0; i < count; ++i) v = (v << 8) | buffer[index + i];
    return v;
}

int getAlterInteger(int first, int second) {
    first &= 0xff;
    second &= 0xff;
    // The first byte in base 2 without leading zeros, the second padded to seven digits (eight
    // when it needs them); a joined text opening with "10" loses those two digits.
    auto bitLength = [](int v) {
        int n = 0;
        while (v) {
            ++n;
            v >>= 1;
        }
        return n;
    };
    int lowDigits = std::max(7, bitLength(second));
    int highDigits = first ? bitLength(first) : 1;
    int total = highDigits + lowDigits;
    int value = (first << lowDigits) | second;
    if (first != 0 && !(value & (1 << (total - 2)))) value &= ~(1 << (total - 1));
    return value;
}

int64_t getFieldDataLengthBy(int64_t t) {
    if (t < 0) return 0;
    if (t <= 4) return t;
    if (t == 5) return 6;
    if (t == 6 || t == 7) return 8;
    if (t <= 13) return 0;
    return (t % 2 == 0) ? (t - 12) / 2 : (t - 13) / 2;
}

int getPageType(CarveFile& file, int64_t pos) {
    if (!CarveFile::readable(pos) || pos >= file.size()) return -1;
    switch (file.byte(pos)) {
    case 0x0d: return 1;
    case 0x05:
    case 0x00: return 2;
    case 0x02: return 3;
    case 0x0a: return 4;
    default: return -1;
    }
}

int getDeletedMark(CarveFile& file, int64_t pos, int type) {
    if (!CarveFile::readable(pos)) return 0;
    const uint8_t* data = file.bytes(pos, 2);
    return anyMatchesAt(data, 4, 0, 4, markPatterns(type)) ? 1 : 0;
}

// For each pattern type, the bytes any of its entries opens with: the scans ask at every byte
// of a page, and nearly every byte can be turned away by this one look-up.
struct FirstBytes {
    bool opens[7][256] = {};
    FirstBytes() {
        for (int type = 1; type <= 6; ++type)
            for (const HexPattern& p : recordPatterns(type)) opens[type][p.nibbles[0] << 4 | p.nibbles[1]] = true;
    }
};

int bCheckDataIsValid(const uint8_t* data, size_t n, int type) {
    if (!data || n == 0) return 0;
    static const FirstBytes first;
    if (type < 1 || type > 6 || !first.opens[type][data[0]]) return -1;
    int digits = static_cast<int>(2 * std::min(n, CarveFile::kMaxSpan));
    return anyMatchesAt(data, digits, 0, digits, recordPatterns(type)) ? 1 : -1;
}

int bCheckDataIsValid(CarveFile& file, int64_t pos, size_t n, int type) {
    if (!CarveFile::readable(pos)) return 0;
    n = std::min(n, CarveFile::kMaxSpan);
    return bCheckDataIsValid(file.bytes(pos, n), n, type);
}

int bcheckSubStringIsValid(CarveFile& file, int64_t pos, size_t n, int type, int w) {
    return windowSearch(file, pos, n, w, recordPatterns(type));
}

int bcheckChatIOS6SubStringIsValid(CarveFile& file, int64_t pos, size_t n, int w) {
    static const PatternList chat = {P("0600")};
    return windowSearch(file, pos, n, w, chat);
}

int bcheckMessageIOS6SubStringIsValid(CarveFile& file, int64_t pos, size_t n, int w) {
    static const PatternList message = {P("0800010000"), P("0800010011"), P("0800020011"), P("0800020000"),
                                        P("0800090011")};
    return windowSearch(file, pos, n, w, message);
}

bool startsWith(CarveFile& file, int64_t pos, std::string_view pattern) {
    if (!CarveFile::readable(pos) || pattern.empty()) return false;
    const uint8_t* data = file.bytes(pos, pattern.size());
    return std::memcmp(data, pattern.data(), pattern.size()) == 0;
}

bool bNoteAlter(CarveFile& file, int64_t pos) {
    int b = testByte(file, pos);
    return b >= 0x80 && b <= 0x89;
}
bool bImageURLAlter(CarveFile& file, int64_t pos) { return testByte(file, pos) != 0x09; }
bool checkSQliteVersion(CarveFile& file, int64_t pos) { return testByte(file, pos) == 0x02; }
bool IsAlterAboutContent(CarveFile& file, int64_t pos) { return testByte(file, pos) != 0x04; }
bool ISAlterMessageContentFiled(CarveFile& file, int64_t pos) { return testByte(file, pos) != 0x55; }
bool ISAlterPropertFiled(CarveFile& file, int64_t pos) {
    int b = testByte(file, pos);
    return b >= 0x79 && b <= 0x88;
}

int64_t bSortAlter(CarveFile& file, int64_t pos) {
    if (!CarveFile::readable(pos)) return 0;
    return pos - file.findBackward(pos, 0x00);
}

int64_t bIsAlterbleDBFile(CarveFile& file, int64_t pos, int type) {
    if (type == 2) {
        int b = testByte(file, pos);
        return b >= 14 ? 1 : 0;
    }
    if (type == 6) {
        if (!CarveFile::readable(pos)) return 0;
        return file.findForward(pos, 0x00) - pos;
    }
    return 0;
}

int GetFildLength(CarveFile& file, int64_t pos) {
    if (!CarveFile::readable(pos)) return 0;
    int s;
    if (file.byte(pos) == 0x00)
        s = testByte(file, pos - 1);
    else
        s = testByte(file, file.findForward(pos, 0x00) - 1);
    if (s >= 34 && s <= 36) return 2;
    if (s >= 18 && s <= 20) return 1;
    return 0;
}

void FieldValue::writeInteger() const {
    if (!isInteger_) return;
    data_ = std::to_string(integer_);
    isInteger_ = false;
}

const std::string& FieldValue::raw() const {
    writeInteger();
    return data_;
}

std::string_view FieldValue::text() const {
    writeInteger();
    size_t end = data_.find('\0');
    return std::string_view(data_).substr(0, end);
}

namespace {

void copyValue(RecordCursor& rec, int64_t length, FieldValue& out) {
    // The value buffer is one page long and keeps a final zero: a longer value is cut there.
    int64_t keep = std::clamp<int64_t>(length, 0, std::max<int64_t>(rec.valueCapacity - 1, 0));
    std::string& raw = out.raw();
    raw.resize(static_cast<size_t>(keep));
    if (keep > 0)
        rec.file.copy(rec.start + rec.head + rec.headerLength + rec.running, static_cast<size_t>(keep),
                      reinterpret_cast<uint8_t*>(raw.data()));
    rec.running += length;
}

}  // namespace

void AnalyseDBDataFile(RecordCursor& rec, int column, FieldValue& out) {
    out.clear();
    int64_t typePos = rec.start + rec.head + column;
    if (!CarveFile::readable(typePos)) return;
    int type = rec.file.byte(typePos);
    out.setSerialType(type);
    if (type == 0 || (type >= 8 && type <= 13)) return;
    int64_t length = getFieldDataLengthBy(type);
    if (type <= 7) {
        uint8_t bytes[8];
        rec.file.copy(rec.start + rec.head + rec.headerLength + rec.running, static_cast<size_t>(length), bytes);
        auto low = static_cast<int32_t>(static_cast<uint32_t>(readBigEndian(bytes, 0, static_cast<int>(length))));
        out.setInteger(low);
        rec.running += length;
        return;
    }
    copyValue(rec, length, out);
}

void AnalyseAlterbleDB(RecordCursor& rec, int column, FieldValue& out) {
    out.clear();
    int64_t typePos = rec.start + rec.head + column;
    if (!CarveFile::readable(typePos)) return;
    int type = getAlterInteger(rec.file.byte(typePos), rec.file.byte(typePos + 1));
    if (type > 4095) return;
    copyValue(rec, getFieldDataLengthBy(type), out);
}

int64_t longLongValueOf(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || text[i] == '\n' || text[i] == '\r')) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
    __int128 v = 0;
    bool any = false;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        any = true;
        if (v <= static_cast<__int128>(INT64_MAX) + 1) v = v * 10 + (text[i] - '0');
    }
    if (!any) return 0;
    if (negative) v = -v;
    if (v > INT64_MAX) return INT64_MAX;
    if (v < INT64_MIN) return INT64_MIN;
    return static_cast<int64_t>(v);
}

int64_t FieldValue::number() const {
    if (serialType_ == 8) return 0;
    if (serialType_ == 9) return 1;
    if (isInteger_) return integer_;
    return longLongValueOf(text());
}

int FieldValue::intNumber() const { return static_cast<int>(std::clamp<int64_t>(number(), INT_MIN, INT_MAX)); }

int intValueOf(std::string_view text) {
    int64_t v = longLongValueOf(text);
    return static_cast<int>(std::clamp<int64_t>(v, INT_MIN, INT_MAX));
}

PageLayout readPageLayout(CarveFile& file) {
    PageLayout layout;
    file.focus(0, 100, true);
    uint8_t header[3];
    file.copy(16, 3, header);
    int64_t size = (static_cast<int64_t>(header[0]) << 8) | header[1];
    if (size == 1) size = 65536;
    layout.writeAheadLog = checkSQliteVersion(file, 18);
    bool powerOfTwo = size > 0 && (size & (size - 1)) == 0;
    if (!powerOfTwo || size < 512 || size > 65536) return layout;
    layout.pageSize = size;
    layout.pageCount = file.size() / size;
    return layout;
}

}  // namespace carve
