#include "model/PRSharedText.h"

#include <atomic>
#include <functional>

namespace {

// The longest text shared (a name, an address, a length), and how many are shared at most: 20 to
// 40 MB for good, however many files are scanned or whatever their bytes say.
constexpr size_t kLongestShared = 64;
constexpr size_t kMostShared = size_t{1} << 18;

// A shared text with its hash. Never freed: records that outlive static destruction still point
// at its text.
struct Shared {
    size_t hash;
    std::string text;
};

// The shared texts by their hashes, in a table that is only ever added to and at most half full:
// the threads that make records side by side (the parts of a long table, the carvers) look texts
// up without a lock, and a text once in never moves. Untouched until used.
constexpr size_t kSlots = 2 * kMostShared;
std::atomic<const Shared*> slots[kSlots];
std::atomic<size_t> sharedCount{0};

const std::string& emptyText() {
    static const std::string* const empty = new std::string;
    return *empty;
}

// The shared copy of text, or null when no more are shared.
const std::string* shared(std::string_view text) {
    const size_t hash = std::hash<std::string_view>{}(text);
    Shared* mine = nullptr;
    for (size_t i = hash & (kSlots - 1);; i = (i + 1) & (kSlots - 1)) {
        const Shared* there = slots[i].load(std::memory_order_acquire);
        if (!there) {
            // Not there yet: entered here, unless another thread enters a text here first.
            if (!mine) {
                if (sharedCount.fetch_add(1, std::memory_order_relaxed) >= kMostShared) return nullptr;
                mine = new Shared{hash, std::string(text)};
            }
            if (slots[i].compare_exchange_strong(there, mine, std::memory_order_acq_rel)) return &mine->text;
        }
        if (there->hash == hash && there->text == text) {
            if (mine) {  // another thread entered the same text first
                delete mine;
                sharedCount.fetch_sub(1, std::memory_order_relaxed);
            }
            return &there->text;
        }
    }
}

uintptr_t addressOf(const std::string* text) { return reinterpret_cast<uintptr_t>(text); }

}  // namespace

uintptr_t PRSharedText::ownCopy(std::string_view text) { return addressOf(new std::string(text)) | kOwn; }

PRSharedText::PRSharedText() : text_(addressOf(&emptyText())) {}

PRSharedText::PRSharedText(std::string_view text) {
    if (text.empty()) {
        text_ = addressOf(&emptyText());
    } else if (const std::string* common = text.size() <= kLongestShared ? shared(text) : nullptr) {
        text_ = addressOf(common);
    } else {
        text_ = ownCopy(text);
    }
}

PRSharedText::PRSharedText(const PRSharedText& other)
    : text_((other.text_ & kOwn) ? ownCopy(other.str()) : other.text_) {}

PRSharedText::PRSharedText(PRSharedText&& other) noexcept : text_(other.text_) {
    other.text_ = addressOf(&emptyText());
}

PRSharedText& PRSharedText::operator=(const PRSharedText& other) {
    if (this != &other) *this = PRSharedText(other);
    return *this;
}

PRSharedText& PRSharedText::operator=(PRSharedText&& other) noexcept {
    std::swap(text_, other.text_);
    return *this;
}

PRSharedText::~PRSharedText() {
    if (text_ & kOwn) delete reinterpret_cast<const std::string*>(text_ & ~kOwn);
}
