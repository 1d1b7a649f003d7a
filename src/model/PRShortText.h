// A text that is most often short, a phone number above all, kept in 16 bytes: up to 15 bytes in
// place, a longer text in one block of its own on the heap, its length kept in place. A string
// keeps as much in place but takes 32 bytes (and a longer text's block besides), and a call
// history of millions of calls holds a number in each.
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
    bool empty() const { return length_ == 0; }
    friend bool operator==(const PRShortText& a, std::string_view b) { return a.view() == b; }

private:
    static constexpr size_t kInPlace = 15;
    static constexpr uint8_t kOnHeap = 0xff;
    struct OnHeap {
        const char* bytes;
        uint32_t length;
    };
    OnHeap onHeap() const;
    void release();

    // The text's bytes in place, its length in the last byte; or, when that byte says kOnHeap,
    // the address of this object's own bytes and their length (an OnHeap) in the first bytes.
    char bytes_[kInPlace] = {};
    uint8_t length_ = 0;
};
static_assert(sizeof(PRShortText) == 16, "a record of millions keeps one");
