#include "export/FileInPieces.h"

#include "model/PRRecordFields.h"

#include <cstdint>
#include <utility>

namespace {

// Written to the file once a block holds this much.
constexpr size_t kBlock = size_t(1) << 16;

// What decoding one character found.
enum class Decoded { Character, Malformed, Cut };

// One UTF-8 character at text[i] (advancing i past what it takes): Malformed for a sequence that
// is no character (i past the bytes it rejects, not past the one that ended it), Cut for one that
// text ends inside (i left at its first byte).
Decoded nextCodePoint(std::string_view text, size_t& i, uint32_t& cp) {
    const auto byte = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const size_t start = i;
    const unsigned char lead = byte(i++);
    cp = lead;
    if (lead < 0x80) return Decoded::Character;
    size_t extra;
    uint32_t minimum;
    if ((lead & 0xE0) == 0xC0) {
        extra = 1;
        cp = lead & 0x1Fu;
        minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        extra = 2;
        cp = lead & 0x0Fu;
        minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        extra = 3;
        cp = lead & 0x07u;
        minimum = 0x10000;
    } else {
        return Decoded::Malformed;
    }
    for (size_t k = 0; k < extra; ++k) {
        if (i >= text.size()) {
            i = start;
            return Decoded::Cut;
        }
        if ((byte(i) & 0xC0) != 0x80) return Decoded::Malformed;
        cp = (cp << 6) | (byte(i++) & 0x3Fu);
    }
    if (cp < minimum || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return Decoded::Malformed;
    return Decoded::Character;
}

}  // namespace

FileInPieces::FileInPieces(std::string path, Text text) : file_(std::move(path)), clean_(text == Text::WellFormedUtf8) {
    block_.reserve(kBlock + 4096);
}

bool FileInPieces::write(std::string_view piece) {
    if (file_.failed()) return false;
    if (!clean_) {
        block_.append(piece);
    } else if (!cut_.empty()) {
        // Rare: a character cut between two pieces is judged whole.
        std::string joined = std::exchange(cut_, std::string());
        joined.append(piece);
        clean(joined, /*last*/ false);
    } else {
        clean(piece, /*last*/ false);
    }
    if (block_.size() >= kBlock) flushBlock();
    return !file_.failed();
}

void FileInPieces::clean(std::string_view text, bool last) {
    size_t i = 0;
    while (i < text.size()) {
        // Runs of ASCII, most of a page, go over as they are.
        size_t plain = i;
        while (plain < text.size() && static_cast<unsigned char>(text[plain]) < 0x80) ++plain;
        block_.append(text.substr(i, plain - i));
        i = plain;
        if (i >= text.size()) break;
        const size_t start = i;
        uint32_t cp = 0;
        switch (nextCodePoint(text, i, cp)) {
        case Decoded::Character: block_.append(text.substr(start, i - start)); break;
        case Decoded::Malformed: appendUtf8(block_, 0xFFFD); break;
        case Decoded::Cut:
            if (!last) {
                cut_.assign(text.substr(start));
                return;
            }
            // Nothing follows: the bytes up to the end are one malformed sequence.
            appendUtf8(block_, 0xFFFD);
            return;
        }
    }
}

void FileInPieces::flushBlock() {
    if (!block_.empty()) file_.write(block_.data(), block_.size());
    block_.clear();
}

files::Outcome FileInPieces::finish() {
    if (!cut_.empty()) clean(std::exchange(cut_, std::string()), /*last*/ true);
    if (!file_.failed()) flushBlock();
    return file_.finish();
}
