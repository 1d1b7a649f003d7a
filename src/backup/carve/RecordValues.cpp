// A record's values checked against a table's shape, and their signatures (see RecordValues.h).
#include "backup/carve/RecordValues.h"

#include "backup/carve/IdentifierStart.h"
#include "backup/carve/SerialTypes.h"
#include "model/PRRecordFields.h"
#include "platform/WordHash.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <functional>
#include <string_view>

namespace carve {

namespace {

// Whether text holds control bytes other than blanks: the heads of cells and freeblocks do,
// no name does.
bool hasControlBytes(std::string_view text) {
    return std::any_of(text.begin(), text.end(), [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return (b < 0x20 && b != '\t' && b != '\n' && b != '\r') || b == 0x7f;
    });
}

// Whether the last column a shape keeps is a text: a cut found after it (where a later
// column is no text) lies past a value whose every byte was checked, not inside a number,
// which any bytes make.
bool endsOnText(const TableShape& shape) {
    return shape.keptColumns > 0 && shape.keptColumns < shape.columns.size() &&
           shape.columns[shape.keptColumns - 1].kind == ColumnKind::text;
}

// A unique value (an identifier of 36 characters and more) is told by its start: a row whose
// tail a later cell took keeps the start of its identifier, as many bytes of it as a row needs
// to be told from any other.
constexpr size_t kUniqueStart = 16;

uint64_t uniqueKey(const char* text, size_t length) {
    return std::hash<std::string_view>()(std::string_view(text, std::min(length, kUniqueStart))) | 1;
}

// The key of a unique text whose end was lost (see uniqueKey()), from the bytes of it still
// there (available); 0 where they are too few, or hold what no identifier does.
uint64_t lostUniqueKey(const char* text, size_t length, size_t available) {
    if (length < kUniqueStart || available < kUniqueStart) return 0;
    const std::string_view start(text, kUniqueStart);
    if (!keepsWholeText(text, kUniqueStart) || hasControlBytes(start)) return 0;
    return uniqueKey(text, kUniqueStart);
}

// Words that begin the identity by its texts' starts, and stand for a long text's length in
// it: no value's type and length read as them.
constexpr uint64_t kStartSeed = 0x5354415254ULL << 24, kLongTextWord = ~uint64_t{0} - 2;

// The hashes of a record's values: each value's type and length in one chain of words, its
// bytes (a number's, a text's eight at a time) in another, and the two made one at the end. The
// types and lengths say where each value's bytes begin and end, so the two chains tell the
// values apart as one would; two chains let the processor work on both at once, where one
// would make every word wait for the one before. A NULL or empty value is its type alone.
struct Hash {
    WordHash heads, bodies;
    void word(uint64_t w) { heads.word(w); }  // a value's type and length, or a mark
    void bytes(uint64_t w) { bodies.word(w); }
    void mix(const char* text, size_t length) { bodies.mix(text, length); }
    uint64_t h() const {
        WordHash both{heads.h};
        both.word(bodies.h);
        return both.h;
    }
    void value(const CarvedValue& v, const char* text) {
        if (v.type == CarvedValue::integerValue || v.type == CarvedValue::realValue) {
            uint64_t bits;
            std::memcpy(&bits, &v.integer, 8);
            word(v.type);
            bytes(bits);
        } else {
            word(textHead(v));
            if (v.length > 0) mix(text, v.length);
        }
    }
    static uint64_t textHead(const CarvedValue& v) { return v.type | static_cast<uint64_t>(v.length) << 8; }
};

// Whether any of a word's bytes is not plain printable ASCII: a byte with its high bit set, one
// below 0x20 (NUL, a control byte, a tab or line break) or DEL. Never misses one; a byte after
// a true one may be taken for one too, which only costs the closer look.
// The bytes of the word taken are the first `bytes` of it (in memory order), the rest ignored:
// a false mark runs only from a true one towards the later bytes.
bool oddByteIn(uint64_t w, size_t bytes = 8) {
    static_assert(std::endian::native == std::endian::little, "a word's first bytes are its low ones");
    constexpr uint64_t kOnes = 0x0101010101010101ULL, kHigh = 0x8080808080808080ULL;
    const uint64_t del = w ^ (0x7f * kOnes);
    const uint64_t taken = bytes >= 8 ? kHigh : kHigh & ((uint64_t{1} << (8 * bytes)) - 1);
    return ((w | ((w - 0x20 * kOnes) & ~w) | ((del - kOnes) & ~del)) & taken) != 0;
}

// A text value's bytes mixed into one or two hashes (as Hash::value() does) while they are
// looked through for odd bytes, in one pass: a text of plain printable ASCII (nearly every one)
// is then known whole and free of control bytes without being read again. One with an odd byte
// has its UTF-8 and control bytes checked by the exact rules. False when the text is not whole,
// or when controls is set and it holds control bytes.
bool soundTextMixed(const char* text, size_t length, bool controls, Hash* a, Hash* b) {
    bool odd = false;
    size_t i = 0;
    for (; i + 8 <= length; i += 8) {
        uint64_t w;
        std::memcpy(&w, text + i, 8);
        odd = odd || oddByteIn(w);
        if (a) a->bytes(w);
        if (b) b->bytes(w);
    }
    if (i < length) {
        uint64_t last = 0;
        std::memcpy(&last, text + i, length - i);
        odd = odd || oddByteIn(last, length - i);
        if (a) a->bytes(last);
        if (b) b->bytes(last);
    }
    if (!odd) return true;
    return keepsWholeText(text, length) && !(controls && hasControlBytes(std::string_view(text, length)));
}

}  // namespace

size_t wholeCharacters(const char* bytes, size_t length) {
    // A lead byte within the last three bytes whose character needs more bytes than are left.
    for (size_t back = 1; back <= std::min<size_t>(length, 4); ++back) {
        const auto b = static_cast<unsigned char>(bytes[length - back]);
        if ((b & 0xc0) == 0x80) continue;  // a continuation byte
        const size_t needs = b >= 0xf0 ? 4 : b >= 0xe0 ? 3 : b >= 0xc0 ? 2 : 1;
        return needs > back ? length - back : length;
    }
    return length;
}

bool cutText(uint64_t serial, size_t at, size_t chainEnd) {
    return at < chainEnd && serial >= kFirstTextSerial && serial % 2 == 1 &&
           at + static_cast<size_t>(valueLength(serial)) > chainEnd;
}

namespace {

// checkValues() of a row whose every value lies whole within data, before trusted and chainEnd
// (whole: nearly every row read, the live ones all), where nothing is cut, lost or read
// leniently, and so none of those readings is weighed at each column; or of any row.
template <bool kWhole>
bool checkValuesOf(const TableShape& shape, const std::vector<uint64_t>& serials, const std::string& data, size_t body,
                   Signatures& out, size_t trusted, bool lenient, bool* lost, size_t chainEnd) {
    const int rowidAlias = shape.rowidAlias;
    // What is asked of the shape at each column, read once: the stores into out could otherwise
    // be taken to change it.
    const size_t columns = serials.size(), keptColumns = shape.keptColumns, wholeCount = shape.wholeColumnCount();
    const size_t keptUpTo = std::min(columns, wholeCount), keptRead = std::min(columns, keptColumns);
    const uint64_t identityColumns = shape.identityColumns;
    const int uniqueColumn = shape.uniqueColumn, spareUniqueColumn = shape.spareUniqueColumn;
    // Where the bytes of a later cell begin, before a lenient reading puts the cut at a column's
    // start: an identifier cut there keeps its first characters.
    const size_t cellTaken = trusted;
    out = {};
    Hash all, identity, start;
    start.word(kStartSeed);
    bool identityText = false;  // an identity of NULLs and numbers alone tells no row
    // Of the identity by its texts' starts (see Signatures::identityStart): whether a text was
    // long, whether one was cut with the chain, and whether a value it needs was lost.
    bool startLong = false, identityCut = false, startLost = false;
    auto startText = [&](const char* text, size_t length, size_t whole) {
        if (whole <= kIdentityStart) {
            start.word(CarvedValue::text | static_cast<uint64_t>(whole) << 8);
            start.mix(text, whole);
        } else if (length >= kIdentityStart) {
            startLong = true;
            start.word(kLongTextWord);
            start.mix(text, kIdentityStart);
        } else {
            startLost = true;
        }
    };
    bool uniqueRead = false;    // the unique column held a text (which a spare one does not replace)
    std::string_view lastKept;  // the bytes of the last column kept
    size_t at = body;
    for (size_t c = 0; c < columns; ++c) {
        const uint64_t s = serials[c];
        const int64_t length = valueLength(s);
        const char* text = data.data() + std::min(at, data.size());
        if constexpr (!kWhole) {
            // Bytes lost with the chain were never read: the values there are cut or lost below.
            if (at + static_cast<size_t>(length) > data.size() && at + static_cast<size_t>(length) <= chainEnd)
                return false;
            if (lenient && c >= keptColumns && at < trusted && at + static_cast<size_t>(length) <= chainEnd &&
                s >= kFirstTextSerial && s % 2 == 1 && endsOnText(shape) &&
                !keepsWholeText(text, static_cast<size_t>(length))) {
                // The cut may also lie inside that text where the bytes after it still read as
                // one: the heads of cells and freeblocks are control bytes, which no name holds.
                if (hasControlBytes(lastKept)) return false;
                trusted = out.ownEnd = at;
            }
            if (at + static_cast<size_t>(length) > chainEnd && at + static_cast<size_t>(length) <= trusted) {
                out.chainCut = true;
                if (shape.readsInPart() && cutText(s, at, chainEnd)) {
                    // Its start, as far as whole characters go; no unique value of the row, which a
                    // start does not tell, and its identity only by its texts' starts.
                    const size_t kept = wholeCharacters(text, chainEnd - at);
                    if (!keepsWholeText(text, kept)) return false;
                    if (c < 64 && (identityColumns >> c & 1)) {
                        // Fewer bytes of a long text than tell a row by its start: a stale copy of a
                        // live row, its pages since given to the live one, cannot be told from a
                        // deleted row, and the stub says nothing of the row's words.
                        if (kept < kIdentityStart) return false;
                        identity.word(~uint64_t{0} - 1);
                        identityCut = true;
                        startText(text, kept, static_cast<size_t>(length));
                    }
                    all.word(~uint64_t{0} - 1);
                    all.mix(text, kept);
                } else {
                    if (c < wholeCount) return false;
                    if (c < 64 && (identityColumns >> c & 1)) {
                        identity.word(~uint64_t{0});
                        identityCut = startLost = true;
                    }
                    all.word(~uint64_t{0});
                }
                at += static_cast<size_t>(length);
                if (c + 1 == keptUpTo) out.kept = all.h();
                if (c < keptColumns) out.keptEnd = at;
                continue;
            }
            if (at + static_cast<size_t>(length) > trusted) {
                if (lost) *lost = true;
                if (c < wholeCount) return false;
                // The start of a lost identifier still tells the row (a later cell's head, written
                // over it, holds control bytes); one cut by the lenient reading is checked the same.
                const size_t readable = std::min(data.size(), chainEnd);
                if (static_cast<int>(c) == uniqueColumn && s >= kFirstTextSerial && s % 2 == 1 && at < readable) {
                    // Only bytes before the later cell are its own.
                    const size_t own = at < cellTaken ? std::min(readable, cellTaken) - at : 0;
                    if (const uint64_t key = lostUniqueKey(text, static_cast<size_t>(length), own)) out.unique = key;
                    out.uniqueStart = identifierStart(text, own);
                }
                if (c < 64 && (identityColumns >> c & 1)) {
                    identity.word(~uint64_t{0});
                    startLost = true;
                }
                all.word(~uint64_t{0});
                at += static_cast<size_t>(length);
                continue;
            }
        }
        const CarvedValue v = valueOf(s, reinterpret_cast<const uint8_t*>(text), length);
        const bool inAll = static_cast<int>(c) != rowidAlias;
        const bool inIdentity = c < 64 && (identityColumns >> c & 1);
        if (v.type == CarvedValue::text) {
            // Whole UTF-8, and where a carver reads it, no control bytes: a text that holds them
            // ran on into the head of another cell (its length, id and serial types), or is no
            // text at all: not the row's.
            if (inAll) all.word(Hash::textHead(v));
            if (inIdentity) identity.word(Hash::textHead(v));
            if (!soundTextMixed(text, v.length, c < keptColumns, inAll ? &all : nullptr,
                                inIdentity ? &identity : nullptr))
                return false;
            if (inIdentity) startText(text, v.length, v.length);
        } else {
            if (inAll) all.value(v, text);
            if (inIdentity) identity.value(v, text);
            if (inIdentity) start.value(v, text);
        }
        if (v.type == CarvedValue::text && static_cast<int>(c) == uniqueColumn)
            out.uniqueStart = identifierStart(text, v.length);
        if (v.type == CarvedValue::text && v.length > 0 &&
            (static_cast<int>(c) == uniqueColumn || (static_cast<int>(c) == spareUniqueColumn && !uniqueRead))) {
            out.unique = uniqueKey(text, v.length);
            uniqueRead = static_cast<int>(c) == uniqueColumn;
        }
        if (inIdentity) identityText = identityText || (v.type == CarvedValue::text && v.length > 0);
        at += static_cast<size_t>(length);
        if (c + 1 == keptUpTo) out.kept = all.h();
        if (c < keptColumns) out.keptEnd = at;
        if constexpr (!kWhole)
            if (c + 1 == keptRead) lastKept = std::string_view(text, static_cast<size_t>(length));
    }
    const uint64_t byStart = startLong && !startLost ? start.h() | 1 : 0;
    if (identityCut) {
        out.identity = byStart;
    } else if (identityText) {
        out.identity = identity.h() | 1;
        out.identityStart = byStart;
    }
    out.all = all.h();
    return true;
}

}  // namespace

bool checkValues(const TableShape& shape, const std::vector<uint64_t>& serials, const std::string& data, size_t body,
                 Signatures& out, size_t trusted, bool lenient, bool* lost, size_t chainEnd) {
    size_t end = body;
    for (uint64_t s : serials) end += static_cast<size_t>(valueLength(s));
    if (!lenient && end >= body && end <= std::min({data.size(), trusted, chainEnd}))
        return checkValuesOf<true>(shape, serials, data, body, out, trusted, lenient, lost, chainEnd);
    return checkValuesOf<false>(shape, serials, data, body, out, trusted, lenient, lost, chainEnd);
}

}  // namespace carve
