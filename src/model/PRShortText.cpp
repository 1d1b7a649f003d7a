#include "model/PRShortText.h"

#include <cstring>
#include <limits>
#include <stdexcept>
#include <utility>

static_assert(sizeof(PRShortText) - 1 >= 12, "a heap text's address and length fit in place");

PRShortText::PRShortText(std::string_view text) {
    if (text.size() <= kInPlace) {
        if (!text.empty()) std::memcpy(bytes_, text.data(), text.size());  // an empty view may hold no address
        length_ = static_cast<uint8_t>(text.size());
        return;
    }
    // A database keeps no text of 4 GB (SQLite's own limit is 2 GB).
    if (text.size() > std::numeric_limits<uint32_t>::max()) throw std::length_error("PRShortText: text too long");
    char* own = new char[text.size()];
    std::memcpy(own, text.data(), text.size());
    const OnHeap heap{own, static_cast<uint32_t>(text.size())};
    std::memcpy(bytes_, &heap.bytes, sizeof heap.bytes);
    std::memcpy(bytes_ + sizeof heap.bytes, &heap.length, sizeof heap.length);
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

PRShortText::OnHeap PRShortText::onHeap() const {
    OnHeap heap{};
    std::memcpy(&heap.bytes, bytes_, sizeof heap.bytes);
    std::memcpy(&heap.length, bytes_ + sizeof heap.bytes, sizeof heap.length);
    return heap;
}

void PRShortText::release() {
    if (length_ == kOnHeap) delete[] onHeap().bytes;
    length_ = 0;
}

std::string_view PRShortText::view() const {
    if (length_ == kOnHeap) {
        const OnHeap heap = onHeap();
        return std::string_view(heap.bytes, heap.length);
    }
    return std::string_view(bytes_, length_);
}
