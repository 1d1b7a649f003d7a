#include "model/PRShortText.h"

#include <cstring>
#include <utility>

PRShortText::PRShortText(std::string_view text) {
    if (text.size() <= kInPlace) {
        std::memcpy(bytes_, text.data(), text.size());
        length_ = static_cast<uint8_t>(text.size());
        return;
    }
    const std::string* own = new std::string(text);
    std::memcpy(bytes_, &own, sizeof own);
    length_ = kOnHeap;
}

PRShortText::PRShortText(PRShortText&& other) noexcept : length_(other.length_) {
    std::memcpy(bytes_, other.bytes_, kInPlace);
    other.length_ = 0;  // a text on the heap is this one's now
}

PRShortText& PRShortText::operator=(const PRShortText& other) {
    if (this != &other) *this = PRShortText(other);
    return *this;
}

PRShortText& PRShortText::operator=(PRShortText&& other) noexcept {
    if (this != &other) {
        release();
        std::memcpy(bytes_, other.bytes_, kInPlace);
        length_ = std::exchange(other.length_, 0);
    }
    return *this;
}

const std::string* PRShortText::heapText() const {
    const std::string* own = nullptr;
    std::memcpy(&own, bytes_, sizeof own);
    return own;
}

void PRShortText::release() {
    if (length_ == kOnHeap) delete heapText();
    length_ = 0;
}

std::string_view PRShortText::view() const {
    if (length_ == kOnHeap) return *heapText();
    return std::string_view(bytes_, length_);
}
