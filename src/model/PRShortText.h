// A text that is most often short, a phone number above all, kept in 16 bytes: up to 15 bytes in
// place, a longer text on the heap. A string keeps as much in place but takes 32 bytes, and a
// call history of millions of calls holds a number in each.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class PRShortText {
public:
    PRShortText() = default;  // the empty text
    PRShortText(std::string_view text);
    PRShortText(const std::string& text) : PRShortText(std::string_view(text)) {}
    PRShortText(const char* text) : PRShortText(std::string_view(text)) {}
    PRShortText(const PRShortText& other) : PRShortText(other.view()) {}
    PRShortText(PRShortText&& other) noexcept;
    PRShortText& operator=(const PRShortText& other);
    PRShortText& operator=(PRShortText&& other) noexcept;
    ~PRShortText() { release(); }

    // Valid while this lives unchanged.
    std::string_view view() const;
    std::string str() const { return std::string(view()); }

private:
    static constexpr size_t kInPlace = 15;
    static constexpr uint8_t kOnHeap = 0xff;
    const std::string* heapText() const;
    void release();

    // The text's bytes in place, its length in the last byte; or, when that byte says kOnHeap,
    // the address of this object's own string in the first bytes.
    char bytes_[kInPlace] = {};
    uint8_t length_ = 0;
};
static_assert(sizeof(PRShortText) == 16, "a record of millions keeps one");
