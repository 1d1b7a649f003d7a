#include "model/PRSharedText.h"

#include <array>
#include <functional>
#include <mutex>
#include <unordered_set>

namespace {

// The longest text shared (a name, an address, a length), and how many are shared at most: 20 to
// 40 MB for good, however many files are scanned or whatever their bytes say.
constexpr size_t kLongestShared = 64;
constexpr size_t kMostShared = size_t{1} << 18;

struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

// The shared texts. Never destroyed: records that outlive static destruction still point here.
struct Texts {
    std::mutex mutex;
    std::unordered_set<std::string, TextHash, std::equal_to<>> texts;
    const std::string* empty = &*texts.emplace().first;
};
Texts& texts() {
    static Texts* const all = new Texts;
    return *all;
}

// The shared copy of text, or null when no more are shared.
const std::string* shared(std::string_view text) {
    // Each thread keeps the texts it met last by their hash, so that readers making millions
    // of records on several threads rarely take the lock: room for the addresses of tens of
    // thousands of conversations.
    constexpr size_t kRecent = size_t{1} << 15;
    thread_local std::array<const std::string*, kRecent> recent{};
    const size_t hash = TextHash{}(text);
    const std::string*& slot = recent[hash % kRecent];
    if (slot && *slot == text) return slot;
    Texts& all = texts();
    std::lock_guard<std::mutex> lock(all.mutex);
    auto it = all.texts.find(text);
    if (it == all.texts.end()) {
        if (all.texts.size() >= kMostShared) return nullptr;
        it = all.texts.emplace(text).first;
    }
    slot = &*it;
    return slot;
}

uintptr_t addressOf(const std::string* text) { return reinterpret_cast<uintptr_t>(text); }

}  // namespace

uintptr_t PRSharedText::ownCopy(std::string_view text) { return addressOf(new std::string(text)) | kOwn; }

PRSharedText::PRSharedText() : text_(addressOf(texts().empty)) {}

PRSharedText::PRSharedText(std::string_view text) {
    if (text.empty()) {
        text_ = addressOf(texts().empty);
    } else if (const std::string* common = text.size() <= kLongestShared ? shared(text) : nullptr) {
        text_ = addressOf(common);
    } else {
        text_ = ownCopy(text);
    }
}

PRSharedText::PRSharedText(const PRSharedText& other)
    : text_((other.text_ & kOwn) ? ownCopy(other.str()) : other.text_) {}

PRSharedText::PRSharedText(PRSharedText&& other) noexcept : text_(other.text_) {
    other.text_ = addressOf(texts().empty);
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
