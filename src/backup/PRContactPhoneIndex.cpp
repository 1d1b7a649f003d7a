#include "backup/PRContactPhoneIndex.h"

#include "model/PRRecordFields.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

namespace {

// The number as normalisedPhoneNumber gives it, in lower case (matching ignores case).
std::string comparable(const std::string& number) {
    std::string out = normalisedPhoneNumber(number);
    for (char& c : out)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return out;
}

// The piece of a number that must occur in the other one when it is the shorter (as
// phoneNumbersMatch cuts it), and its size for a number of the given length.
std::string_view middlePiece(std::string_view number) {
    const size_t length = number.size();
    return number.substr(length / 4, length / 2 + length / 4);
}
size_t middlePieceSize(size_t length) { return std::min(length - length / 4, length / 2 + length / 4); }

// A polynomial hash of a piece that can be rolled along a text one character at a time.
constexpr uint64_t kBase = 0x100000001b3ULL;

uint64_t pieceHash(std::string_view piece) {
    uint64_t hash = 0;
    for (const char c : piece) hash = hash * kBase + static_cast<unsigned char>(c);
    return hash;
}

uint64_t power(uint64_t base, size_t exponent) {
    uint64_t result = 1;
    while (exponent-- > 0) result *= base;
    return result;
}

// Calls visit(hash, piece) for every piece of the given size of text, left to right.
template <class Visit>
void forEachPiece(std::string_view text, size_t size, uint64_t dropFactor, Visit&& visit) {
    if (size == 0 || text.size() < size) return;
    uint64_t hash = pieceHash(text.substr(0, size));
    for (size_t at = 0;; ++at) {
        visit(hash, text.substr(at, size));
        if (at + size >= text.size()) return;
        hash = (hash - static_cast<unsigned char>(text[at]) * dropFactor) * kBase +
               static_cast<unsigned char>(text[at + size]);
    }
}

}  // namespace

// Open addressing over the pieces' hashes; a piece found again keeps its first text.
class PRContactPhoneIndex::PieceTable {
public:
    explicit PieceTable(size_t size) : size_(size), dropFactor_(power(kBase, size > 0 ? size - 1 : 0)) {}

    size_t pieceSize() const { return size_; }
    uint64_t dropFactor() const { return dropFactor_; }

    // Room for count pieces without growing.
    void reserve(size_t count) {
        size_t slots = 16;
        while (slots * 7 < count * 10) slots *= 2;
        slots_.assign(slots, Slot{});
    }

    void add(uint64_t hash, std::string_view piece, size_t first) {
        for (size_t slot = start(hash);; slot = (slot + 1) & (slots_.size() - 1)) {
            Slot& s = slots_[slot];
            if (!s.text) {
                s = {hash, piece.data(), static_cast<uint32_t>(first)};
                return;
            }
            if (s.hash == hash && std::memcmp(s.text, piece.data(), size_) == 0) return;
        }
    }

    size_t find(uint64_t hash, std::string_view piece) const {
        if (slots_.empty()) return kNone;
        for (size_t slot = start(hash);; slot = (slot + 1) & (slots_.size() - 1)) {
            const Slot& s = slots_[slot];
            if (!s.text) return kNone;
            if (s.hash == hash && std::memcmp(s.text, piece.data(), size_) == 0) return s.first;
        }
    }

private:
    // A piece of an entry's text, kept in the table itself: one visit to memory per probe.
    struct Slot {
        uint64_t hash = 0;
        const char* text = nullptr;  // the piece's first character in its entry; null: free
        uint32_t first = 0;
    };
    size_t start(uint64_t hash) const {
        return static_cast<size_t>((hash * 0x9E3779B97F4A7C15ULL) >> 32) & (slots_.size() - 1);
    }

    size_t size_;
    uint64_t dropFactor_;
    std::vector<Slot> slots_;
};

// Numbers as asked of up to 16 bytes (every phone number) sit in the table itself, zero-padded
// in two words, so that a number asked again costs one visit to memory; longer ones (e-mail
// addresses) go to a map of their own.
class PRContactPhoneIndex::AnswerCache {
public:
    AnswerCache() : slots_(1024) {}

    // The answer kept for phone (an entry's place, or kNoAnswer), or null when there is none.
    const uint32_t* find(const std::string& phone) const {
        if (phone.size() > kInline) {
            const auto found = longer_.find(phone);
            return found == longer_.end() ? nullptr : &found->second;
        }
        const Slot key = keyOf(phone);
        for (size_t slot = start(key); slots_[slot].length != 0; slot = (slot + 1) & (slots_.size() - 1))
            if (slots_[slot].sameKey(key)) return &slots_[slot].answer;
        return nullptr;
    }

    // Keeps the answer for phone, which has none yet.
    void add(const std::string& phone, uint32_t answer) {
        if (phone.size() > kInline) {
            longer_.emplace(phone, answer);
            return;
        }
        if ((count_ + 1) * 10 > slots_.size() * 7) grow();
        Slot key = keyOf(phone);
        key.answer = answer;
        size_t slot = start(key);
        while (slots_[slot].length != 0) slot = (slot + 1) & (slots_.size() - 1);
        slots_[slot] = key;
        ++count_;
    }

    static constexpr uint32_t kNoAnswer = UINT32_MAX;

private:
    static constexpr size_t kInline = 16;
    struct Slot {
        uint64_t words[2];
        uint32_t length;  // 1 + the number's length; 0 for a free slot
        uint32_t answer;
        bool sameKey(const Slot& other) const {
            return words[0] == other.words[0] && words[1] == other.words[1] && length == other.length;
        }
    };

    static Slot keyOf(const std::string& phone) {
        Slot key{{0, 0}, static_cast<uint32_t>(phone.size() + 1), kNoAnswer};
        std::memcpy(key.words, phone.data(), phone.size());
        return key;
    }
    size_t start(const Slot& key) const {
        uint64_t hash = key.length * 0x9E3779B97F4A7C15ULL;
        for (const uint64_t word : key.words) hash = (hash ^ word) * 0xff51afd7ed558ccdULL;
        return static_cast<size_t>(hash >> 32) & (slots_.size() - 1);
    }
    void grow() {
        std::vector<Slot> old(slots_.size() * 2);
        old.swap(slots_);
        for (const Slot& s : old) {
            if (s.length == 0) continue;
            size_t slot = start(s);
            while (slots_[slot].length != 0) slot = (slot + 1) & (slots_.size() - 1);
            slots_[slot] = s;
        }
    }

    std::vector<Slot> slots_;
    size_t count_ = 0;
    std::unordered_map<std::string, uint32_t> longer_;
};

PRContactPhoneIndex::PRContactPhoneIndex(const std::vector<PRContactNodePtr>& contacts) {
    entries_.reserve(contacts.size());
    for (const auto& contact : contacts)
        if (contact && !contact->contactPhone().empty())
            entries_.push_back({comparable(contact->contactPhone()), contact});
    for (auto& answers : answers_) answers = std::make_unique<AnswerCache>();
}

PRContactPhoneIndex::~PRContactPhoneIndex() = default;

const PRContactNode* PRContactPhoneIndex::find(const std::string& phone, size_t minimumPiece) const {
    if (entries_.empty()) return nullptr;  // nothing to find: remember no answers either
    size_t found = kNone;
    if (minimumPiece != 1 && minimumPiece != kPieceWithData) {
        found = firstMatch(comparable(phone), minimumPiece);
    } else {
        AnswerCache& answers = *answers_[minimumPiece == 1 ? 0 : 1];
        if (const uint32_t* known = answers.find(phone)) {
            if (*known != AnswerCache::kNoAnswer) found = *known;
        } else {
            // A number of nobody answered from the tables is cheap to answer again: only the
            // others are kept, so that the many numbers of nobody a call history holds leave
            // the answers of contacts' numbers few and close together.
            bool fromTables = false;
            found = firstMatch(comparable(phone), minimumPiece, &fromTables);
            if (found != kNone || !fromTables)
                answers.add(phone, found == kNone ? AnswerCache::kNoAnswer : static_cast<uint32_t>(found));
        }
    }
    return found == kNone ? nullptr : entries_[found].contact.get();
}

size_t PRContactPhoneIndex::firstMatch(std::string_view asked, size_t minimumPiece, bool* fromTables) const {
    if (asked_.size() <= asked.size()) asked_.resize(asked.size() + 1);
    AskedLength& known = asked_[asked.size()];
    if (!known.longer) {
        if (++known.searches <= kSearchesBeforeTable) return search(asked, minimumPiece);
        known.longer = std::make_unique<PieceTable>(middlePieceSize(asked.size()));
        PieceTable& table = *known.longer;
        size_t count = 0;
        for (const Entry& entry : entries_)
            if (entry.text.size() >= asked.size()) count += entry.text.size() - table.pieceSize() + 1;
        table.reserve(count);
        for (size_t i = 0; i < entries_.size(); ++i)
            if (entries_[i].text.size() >= asked.size())
                forEachPiece(entries_[i].text, table.pieceSize(), table.dropFactor(),
                             [&](uint64_t hash, std::string_view piece) { table.add(hash, piece, i); });
    }
    if (fromTables) *fromTables = true;
    size_t first = kNone;
    const std::string_view piece = middlePiece(asked);
    if (!piece.empty() && piece.size() >= minimumPiece) first = known.longer->find(pieceHash(piece), piece);
    return std::min(first, firstShorterWithin(asked, minimumPiece));
}

size_t PRContactPhoneIndex::search(std::string_view asked, size_t minimumPiece) const {
    for (size_t i = 0; i < entries_.size(); ++i) {
        const std::string_view text = entries_[i].text;
        const std::string_view shorter = text.size() < asked.size() ? text : asked;
        const std::string_view other = text.size() < asked.size() ? asked : text;
        const std::string_view piece = middlePiece(shorter);
        if (!piece.empty() && piece.size() >= minimumPiece && other.find(piece) != std::string_view::npos) return i;
    }
    return kNone;
}

size_t PRContactPhoneIndex::firstShorterWithin(std::string_view asked, size_t minimumPiece) const {
    if (!middlePiecesMade_) {
        middlePiecesMade_ = true;
        std::map<size_t, size_t> counts;
        for (const Entry& entry : entries_) ++counts[entry.text.size()];
        for (const auto& [length, count] : counts) {
            if (middlePieceSize(length) == 0) continue;
            middlePieces_.try_emplace(length, middlePieceSize(length)).first->second.reserve(count);
        }
        for (size_t i = 0; i < entries_.size(); ++i) {
            const auto table = middlePieces_.find(entries_[i].text.size());
            if (table == middlePieces_.end()) continue;
            const std::string_view piece = middlePiece(entries_[i].text);
            table->second.add(pieceHash(piece), piece, i);
        }
    }
    size_t first = kNone;
    for (const auto& [length, pieces] : middlePieces_) {
        if (length >= asked.size()) break;
        if (pieces.pieceSize() < minimumPiece) continue;
        // A name for the lambda: clang before 16 does not let one take a structured binding.
        const auto& table = pieces;
        forEachPiece(asked, table.pieceSize(), table.dropFactor(),
                     [&](uint64_t hash, std::string_view piece) { first = std::min(first, table.find(hash, piece)); });
    }
    return first;
}
