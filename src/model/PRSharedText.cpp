#include "model/PRSharedText.h"

#include <array>
#include <functional>
#include <mutex>
#include <unordered_set>

namespace {

struct TextHash {
    using is_transparent = void;
    size_t operator()(std::string_view text) const { return std::hash<std::string_view>{}(text); }
};

// The process's texts. Never destroyed: records that outlive static destruction still point here.
struct Texts {
    std::mutex mutex;
    std::unordered_set<std::string, TextHash, std::equal_to<>> texts;
    const std::string* empty = &*texts.emplace().first;
};
Texts& texts() {
    static Texts* const all = new Texts;
    return *all;
}

const std::string* shared(std::string_view text) {
    // Each thread keeps the texts it met last by their hash, so that readers making millions
    // of records on several threads rarely take the lock.
    constexpr size_t kRecent = 1024;
    thread_local std::array<const std::string*, kRecent> recent{};
    const size_t hash = TextHash{}(text);
    const std::string*& slot = recent[hash % kRecent];
    if (slot && *slot == text) return slot;
    Texts& all = texts();
    std::lock_guard<std::mutex> lock(all.mutex);
    auto it = all.texts.find(text);
    if (it == all.texts.end()) it = all.texts.emplace(text).first;
    slot = &*it;
    return slot;
}

}  // namespace

PRSharedText::PRSharedText() : text_(texts().empty) {}

PRSharedText::PRSharedText(std::string_view text) : text_(text.empty() ? texts().empty : shared(text)) {}
