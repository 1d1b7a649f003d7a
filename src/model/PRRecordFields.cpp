#include "model/PRRecordFields.h"

#include "model/LocalTime.h"
#include "model/WallClockText.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cinttypes>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string_view>

bool decodeUtf8(std::string_view text, size_t& i, char32_t& out) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = byte(i);
    if (lead < 0x80) {
        out = lead;
        ++i;
        return true;
    }
    size_t extra;
    char32_t cp;
    char32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1F;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0F;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07;
        minimum = 0x10000;
    } else
        return false;
    if (i + extra >= text.size()) return false;
    for (size_t k = 1; k <= extra; ++k) {
        const unsigned char c = byte(i + k);
        if ((c & 0xC0) != 0x80) return false;
        cp = (cp << 6) | (c & 0x3F);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    out = cp;
    i += extra + 1;
    return true;
}

namespace {

bool isValidUtf8(std::string_view text) {
    size_t i = 0;
    char32_t cp;
    // Plain ASCII, the common case, eight characters at a time.
    for (uint64_t word; i + 8 <= text.size(); i += 8) {
        std::memcpy(&word, text.data() + i, 8);
        if (word & 0x8080808080808080ULL) break;
    }
    while (i < text.size()) {
        if (static_cast<unsigned char>(text[i]) < 0x80) {  // the common ASCII case, fast
            ++i;
            continue;
        }
        if (!decodeUtf8(text, i, cp)) return false;
    }
    return true;
}

// How many bytes from the start are ASCII other than NUL; eight at a time while they all are.
size_t plainAsciiLength(std::string_view text) {
    constexpr uint64_t kOnes = 0x0101010101010101ull;
    constexpr uint64_t kHighBits = 0x8080808080808080ull;
    size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) {
        uint64_t word;
        std::memcpy(&word, text.data() + i, sizeof word);
        if ((((word - kOnes) & ~word) | word) & kHighBits) break;  // a NUL or a non-ASCII byte
    }
    while (i < text.size() && text[i] != '\0' && static_cast<unsigned char>(text[i]) < 0x80) ++i;
    return i;
}

constexpr const char* kImageTypes[] = {
    "3DM",          "3DMF", "3DS", "ABM",  "AFX",  "AI",      "ANI", "ART",  "ARW",  "BLD", "BLEND", "BMP",  "BOO",
    "BR5",          "CDR",  "CDT", "CGM",  "CIFF", "CLP",     "CMX", "CONT", "CPT",  "CR2", "CRW",   "CUR",  "CVX",
    "DCM",          "DCR",  "DIB", "DNG",  "DRW",  "DS4",     "DSC", "DT2",  "DWF",  "DWG", "EMF",   "EMZ",  "ERF",
    "FH8",          "FLC",  "FOV", "FPF",  "FPX",  "FUJI",    "FXG", "GIF",  "HDP",  "HPI", "ICNS",  "ICO",  "IDML",
    "IFF",          "IMG",  "INX", "IPX",  "ISD",  "ITC2",    "IV",  "JP2",  "JPEG", "JPG", "JPX",   "K25",  "KDC",
    "LBM",          "MA",   "MAX", "MB",   "MDI",  "MDL",     "MDX", "MINO", "MNG",  "MOS", "MRW",   "MSP",  "NCR",
    "NEF",          "OBJ",  "ORF", "PAL",  "PAT",  "PBM",     "PCS", "PCT",  "PCX",  "PEF", "PGM",   "PIC",  "PICT",
    "PICTCLIPPING", "PNG",  "PPM", "PSD",  "PSP",  "PSPIMGE", "PTX", "PXN",  "QXD",  "RAF", "RAS",   "RAW",  "RELS",
    "RGB",          "RLE",  "RTD", "SCT",  "SHP",  "SKF",     "SKP", "SR2",  "SRF",  "STP", "SVG",   "SVGZ", "TEX",
    "TGA",          "THM",  "TIF", "TIFF", "VWX",  "WB1",     "WBC", "WBD",  "WBMP", "WBZ", "WEBP",  "WMF",  "WP",
    "WPG",          "X3F",  "XBM", "XCF",  "XPM",  "XPS"};
constexpr const char* kVideoTypes[] = {
    "3G2",   "3GP",      "ANM", "ASF",    "ASX", "AVI",       "AVS", "CLK",  "CPI", "DIVX",  "DMSM",
    "DREAM", "DVDMEDIA", "DVM", "DVR-MS", "DXR", "F4V",       "FBR", "FLA",  "FLV", "HDMOV", "M2P",
    "M2TS",  "M4P",      "M4V", "MKV",    "MOD", "MOI",       "MOV", "MP4",  "MPE", "MPEG",  "MPG",
    "MXF",   "OGM",      "PSH", "QT",     "QTM", "RCPROJECT", "RM",  "RMVB", "SCM", "SMIL",  "SMJPEG",
    "SRT",   "STX",      "SWF", "TIX",    "TS",  "VOB",       "VRO", "WMV",  "WTV", "XVID",  "YUV"};
constexpr const char* kAudioTypes[] = {"RAM", "RFL", "RMI",  "RNS",  "RPS", "SIB",  "SND", "VPM",  "WAV", "WMA",
                                       "AA3", "AAC", "AC3",  "AFC",  "AIF", "AIFF", "AM",  "AT3",  "AU",  "CAF",
                                       "CDA", "CPF", "DMSA", "DMSE", "DSS", "EMP",  "EMX", "FLAC", "KPI", "M3D",
                                       "M4A", "M4R", "MID",  "MIDI", "MP3", "OGG",  "OMF", "PTF"};
static_assert(std::size(kImageTypes) == 136 && std::size(kVideoTypes) == 55 && std::size(kAudioTypes) == 38);

// Extension names (at most kLongestExtension bytes) to values, in one flat array of slots
// found by hashing: a scan asks it for every file, and a look-up so touches one or two slots
// and no list. Filled once, then only read.
constexpr size_t kLongestExtension = 16;
template <class Value>
class ExtensionMap {
public:
    // Adds name unless it is there (replace: sets it either way); longer names are left out,
    // since no look-up could ask for them.
    void put(std::string_view name, Value value, bool replace) {
        if (name.empty() || name.size() > kLongestExtension) return;
        Slot& slot = slots_[indexOf(name)];
        if (slot.length == 0) {
            std::memcpy(slot.name, name.data(), name.size());
            slot.length = static_cast<uint8_t>(name.size());
            slot.value = value;
        } else if (replace) {
            slot.value = value;
        }
    }
    const Value* find(std::string_view name) const {
        if (name.empty() || name.size() > kLongestExtension) return nullptr;
        const Slot& slot = slots_[indexOf(name)];
        return slot.length ? &slot.value : nullptr;
    }

private:
    static constexpr size_t kSlots = 512;  // more than twice the rows of the largest table
    struct Slot {
        char name[kLongestExtension];
        uint8_t length = 0;
        Value value{};
    };
    // The slot holding name, or the empty one where it would go.
    size_t indexOf(std::string_view name) const {
        // Extensions are short: their first eight bytes and their length hash them well enough.
        // Gathered byte by byte: the name was just written so, and one wide read of bytes
        // written one at a time waits for all of them to land.
        uint64_t word = 0;
        for (size_t i = 0; i < std::min<size_t>(name.size(), sizeof word); ++i)
            word |= uint64_t{static_cast<unsigned char>(name[i])} << (8 * i);
        size_t index = static_cast<size_t>((word ^ name.size()) * 0x9E3779B97F4A7C15ull >> 55);
        for (;; index = (index + 1) % kSlots) {
            const Slot& slot = slots_[index];
            if (slot.length == 0 ||
                (slot.length == name.size() && std::memcmp(slot.name, name.data(), name.size()) == 0))
                return index;
        }
    }
    static_assert(kSlots == size_t{1} << 9, "the hash keeps its top nine bits");

    std::array<Slot, kSlots> slots_{};
};

// A table's rows by upper-case name, for a look-up in constant time; the rows are distinct.
template <size_t N>
ExtensionMap<int> rowsByName(const char* const (&table)[N]) {
    static_assert(N < 256, "a table leaves most slots free");
    ExtensionMap<int> rows;
    for (size_t row = 0; row < N; ++row) rows.put(table[row], static_cast<int>(row), false);
    return rows;
}

// The extension upper-cased into upper (only ASCII letters change; no other byte occurs in
// the tables); false when it is empty or longer than any name of the tables.
bool upperExtension(std::string_view extension, char (&upper)[kLongestExtension], size_t& length) {
    length = 0;
    for (const char c : extension) {
        if (c == '\0') break;  // the extension ends at a NUL, as a C string would
        if (length == sizeof upper) return false;
        upper[length++] = (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return length > 0;
}

bool upperExtension(const char* extension, char (&upper)[kLongestExtension], size_t& length) {
    length = 0;
    return extension && upperExtension(std::string_view(extension), upper, length);
}

int findType(const ExtensionMap<int>& rows, const char* extension) {
    // Upper-cased on the stack: a scan asks this for every media file.
    char upper[kLongestExtension];
    size_t length;
    if (!upperExtension(extension, upper, length)) return -1;
    const int* found = rows.find(std::string_view(upper, length));
    return found ? *found : -1;
}

std::string clockPart(int value) {
    char text[16];
    std::snprintf(text, sizeof text, value >= 0 && value <= 9 ? "%02d" : "%d", value);
    return text;
}

}  // namespace

void appendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

std::string GetStringFormChar(const char* text) {
    const std::string_view view(text);  // ends at the first NUL already
    return isValidUtf8(view) ? std::string(view) : std::string();
}

std::string_view trimmedText(std::string_view text) {
    // Looked at character by character: most texts have no blank at either end.
    const auto blank = [](char c) { return c == ' ' || (c >= '\t' && c <= '\r'); };
    size_t first = 0, end = text.size();
    while (first < end && blank(text[first])) ++first;
    while (end > first && blank(text[end - 1])) --end;
    return text.substr(first, end - first);
}

void appendPart(std::string& text, std::string_view part, std::string_view separator) {
    part = trimmedText(part);
    if (part.empty()) return;
    if (!text.empty()) text += separator;
    text += part;
}

std::string copiedText(const std::string& text) {
    if (text.size() <= kCopiedTextLimit) return text;
    size_t end = kCopiedTextLimit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80)
        --end;                                    // never in the middle of a character
    return text.substr(0, end) + "\xE2\x80\xA6";  // "…"
}

std::string GetStringFormChar(const char* bytes, size_t length) {
    return std::string(GetStringViewFormChar(std::string_view(bytes, length)));
}

std::string_view GetStringViewFormChar(std::string_view text) {
    // Nearly every text is plain ASCII without a NUL, settled by one pass; the rest is cut
    // at its first NUL and checked from where the plain part ends.
    const size_t plain = plainAsciiLength(text);
    if (plain == text.size()) return text;
    text = text.substr(0, text.find('\0', plain));
    return isValidUtf8(text.substr(plain)) ? text : std::string_view();
}

std::string textWithReplacementCharacters(std::string_view bytes) {
    bytes = bytes.substr(0, bytes.find('\0'));
    std::string out;
    out.reserve(bytes.size());
    char32_t cp;
    for (size_t i = 0; i < bytes.size();) {
        const size_t at = i;
        if (decodeUtf8(bytes, i, cp)) {
            out.append(bytes.substr(at, i - at));
        } else {
            appendUtf8(out, 0xFFFD);
            i = at + 1;
        }
    }
    return out;
}

bool keepsWholeText(const char* bytes, size_t length) {
    return std::memchr(bytes, 0, length) == nullptr && isValidUtf8(std::string_view(bytes, length));
}

int Char2Unicode(const char* text, wchar_t* out, int capacity) {
    if (!out || capacity <= 0) return 0;
    std::fill(out, out + capacity, L'\0');
    if (!text) return 0;
    std::string_view view(text);
    if (!isValidUtf8(view)) return 0;
    int written = 0;
    size_t i = 0;
    char32_t cp;
    while (i < view.size() && written < capacity - 1 && decodeUtf8(view, i, cp))
        out[written++] = static_cast<wchar_t>(cp);
    out[written] = L'\0';
    return written;
}

std::string GetNSStringDate(const wchar_t* text) {
    std::string out;
    if (!text) return out;
    for (const wchar_t* c = text; *c; ++c) {
        const auto cp = static_cast<char32_t>(*c);
        appendUtf8(out, (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) ? U'\uFFFD' : cp);
    }
    return out;
}

namespace {

// The local wall-clock time of a database time value (readers and carvers ask one per record);
// nothing when the time has no local time.
std::optional<int64_t> wallClockOf(int64_t value, TimeBase base, int64_t reference) {
    // Only the low 32 bits count: the values were made for a 32-bit time type.
    const int64_t low = static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(value)));
    // Values counted from 2001 move by the exact number of seconds between the two epochs.
    // Moving the year number alone would put days on the wrong side of a leap day.
    const bool since2001 = base == TimeBase::since2001 || (base == TimeBase::judged && countsFrom2001(low, reference));
    const int64_t moment = since2001 ? low + kSecondsFrom1970To2001 : low;
    const std::optional<long> offset = cachedUtcOffset(static_cast<time_t>(moment));
    if (!offset) return std::nullopt;
    return moment + *offset;
}

// "%02d-%02d-%04d %02d:%02d" of a database time value in local time, written by hand into out;
// the length written, 0 when the time has no local time.
size_t writeDateTime(int64_t value, TimeBase base, int64_t reference, char (&out)[32]) {
    const std::optional<int64_t> wall = wallClockOf(value, base, reference);
    return wall ? writeWallClock(*wall, out) : 0;
}

TimeBase baseOfFileType(bool fileType) { return fileType ? TimeBase::since2001 : TimeBase::judged; }

}  // namespace

bool countsFrom2001(int64_t value, int64_t reference) {
    static const int64_t present = static_cast<int64_t>(std::time(nullptr));
    if (reference <= 0) reference = present;
    // A time from 1970 is at most 2^31 seconds (2038): a later reference says nothing more.
    reference = std::min<int64_t>(reference, INT32_MAX);
    return value + kSecondsFrom1970To2001 < reference + kClockMargin;
}

std::optional<std::wstring> GetDateTime(int64_t value, bool fileType) {
    char text[32];
    const size_t length = writeDateTime(value, baseOfFileType(fileType), 0, text);
    if (length == 0) return std::nullopt;
    return std::wstring(text, text + length);
}

std::optional<std::string> dateTimeText(int64_t value, bool fileType) {
    return dateTimeText(value, baseOfFileType(fileType));
}

std::optional<std::string> dateTimeText(int64_t value, TimeBase base, int64_t reference) {
    char text[32];
    const size_t length = writeDateTime(value, base, reference, text);
    if (length == 0) return std::nullopt;
    return std::string(text, length);
}

PRDateText recordDate(int64_t value, bool fileType) { return recordDate(value, baseOfFileType(fileType)); }

PRDateText recordDate(int64_t value, TimeBase base, int64_t reference) {
    const std::optional<int64_t> wall = wallClockOf(value, base, reference);
    return wall ? PRDateText::ofWallClock(*wall) : PRDateText();
}

std::string standardDateDescription(int64_t secondsSince1970) {
    const time_t seconds = static_cast<time_t>(secondsSince1970);
    struct tm utc {};
    if (!gmtime_r(&seconds, &utc)) return {};
    char text[64];
    std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S +0000", &utc);
    return text;
}

std::string GetPhoneDate(int64_t value) {
    char digits[32];
    std::snprintf(digits, sizeof digits, "%" PRId64, value);
    if (std::strlen(digits) < 11) return " ";
    digits[10] = '\0';
    const std::string text = standardDateDescription(std::strtoll(digits, nullptr, 10));
    return text.empty() ? " " : text;
}

std::string getCallHistoryDate(int32_t milliseconds) {
    const int hours = milliseconds / 3600000;
    const int rest = milliseconds / 1000 - hours * 3600;
    const int minutes = rest / 60;
    const int seconds = rest - minutes * 60;
    return clockPart(hours) + ":" + clockPart(minutes) + ":" + clockPart(seconds);
}

std::string getCallHistoryDuration(int32_t seconds) {
    // One text per call of a history: the number and its unit written into one buffer.
    auto counted = [](int32_t number, std::string_view unit) {
        char text[32];
        char* end = std::to_chars(text, text + 12, number).ptr;
        end = std::copy(unit.begin(), unit.end(), end);
        return std::string(text, end);
    };
    if (seconds >= 7200) return counted(seconds / 3600, " hours");
    if (seconds >= 3600) return "1 hour";
    if (seconds >= 120) return counted(seconds / 60, " minutes");
    if (seconds >= 60) return "1 minute";
    if (seconds == 0 || seconds == 1) return counted(seconds, " second");
    return counted(seconds, " seconds");
}

int GetImageType(const char* extension) {
    static const auto rows = rowsByName(kImageTypes);
    return findType(rows, extension);
}

int GetViedoType(const char* extension) {
    static const auto rows = rowsByName(kVideoTypes);
    return findType(rows, extension);
}

int GetAudioType(const char* extension) {
    static const auto rows = rowsByName(kAudioTypes);
    return findType(rows, extension);
}

PRMediaKind mediaKindOfExtension(const char* extension) {
    return extension ? mediaKindOfExtension(std::string_view(extension)) : PRMediaKind::None;
}

PRMediaKind mediaKindOfExtension(std::string_view extension) {
    static const auto kinds = [] {
        ExtensionMap<PRMediaKind> made;
        for (const char* name : kVideoTypes) made.put(name, PRMediaKind::Movie, false);
        for (const char* name : kAudioTypes) made.put(name, PRMediaKind::Movie, false);
        for (const char* name : kImageTypes) made.put(name, PRMediaKind::Image, true);  // images first
        return made;
    }();
    char upper[kLongestExtension];
    size_t length;
    if (!upperExtension(extension, upper, length)) return PRMediaKind::None;
    const PRMediaKind* found = kinds.find(std::string_view(upper, length));
    return found ? *found : PRMediaKind::None;
}

std::string getFullName(uint64_t number) {
    std::string digits = std::to_string(number);
    if (digits.size() < 8) digits.insert(0, 8 - digits.size(), '0');
    return digits;
}

namespace {
// size_to_unit's text into out, which holds at least 100 bytes; the end of the text.
char* writeSizeText(uint64_t count, char* out) {
    float value = static_cast<float>(count);
    const char* unit;
    int divisions;
    if (count <= 999ULL) {
        unit = "bytes";
        divisions = 0;
    } else if (count <= 999999ULL) {
        unit = "KB";
        divisions = 1;
    } else if (count <= 999999999ULL) {
        unit = "MB";
        divisions = 2;
    } else if (count < 1000000000000ULL) {
        unit = "GB";
        divisions = 3;
    } else {
        unit = "TB";
        divisions = 4;
    }
    for (int i = 0; i < divisions; ++i) value /= 1000.0f;
    // to_chars writes a point whatever the locale, where printf would follow LC_NUMERIC.
    char* end = std::to_chars(out, out + 80, static_cast<double>(value), std::chars_format::fixed, 2).ptr;
    const size_t unitLength = std::strlen(unit);
    std::memcpy(end, unit, unitLength + 1);
    return end + unitLength;
}
}  // namespace

char* size_to_unit(uint64_t count, char* out_buffer) {
    writeSizeText(count, out_buffer);
    return out_buffer;
}

std::string sizeText(uint64_t count) {
    char buffer[100];
    return std::string(buffer, writeSizeText(count, buffer));
}

namespace {
// The leading decimal number of text, as a double (0 when there is none).
double leadingNumber(std::string_view text) {
    while (!text.empty() && (text.front() == ' ' || text.front() == '+')) text.remove_prefix(1);
    double value = 0;
    std::from_chars(text.data(), text.data() + text.size(), value);
    return value;
}

uint64_t truncatedCount(double value) {
    if (!(value > 0)) return 0;
    if (value >= 18446744073709551615.0) return UINT64_MAX;
    return static_cast<uint64_t>(value);
}
}  // namespace

uint64_t sizeFormString(const std::string& text) {
    if (text.empty()) return 0;
    uint64_t result = 0;
    const std::string_view view(text);
    if (view.size() > 5 && view.substr(view.size() - 5) == "bytes")
        result = truncatedCount(leadingNumber(view.substr(0, view.size() - 5)));
    if (view.size() >= 2) {
        static constexpr std::pair<std::string_view, double> kUnits[] = {
            {"KB", 1e3}, {"MB", 1e6}, {"GB", 1e9}, {"TB", 1e12}};
        const std::string_view suffix = view.substr(view.size() - 2);
        for (const auto& [unit, factor] : kUnits)
            if (suffix == unit) return truncatedCount(leadingNumber(view.substr(0, view.size() - 2)) * factor);
    }
    return result;
}
