// A record's date and time as its pages show it, "04-30-2013 14:47". A call history of millions
// of calls holds one per call, a text one byte too long for a string to keep in place: 64 bytes
// a call with its block on the heap. A text of exactly that form is kept as its minute, in 8
// bytes, and written again when asked for; any other text is kept as it stands.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class PRDateText {
public:
    PRDateText() = default;  // the empty text
    PRDateText(std::string_view text);
    PRDateText(const std::string& text) : PRDateText(std::string_view(text)) {}
    PRDateText(const char* text) : PRDateText(std::string_view(text)) {}
    // The minute of wallSeconds (seconds since 1970-01-01 00:00 of the wall clock).
    static PRDateText ofWallClock(int64_t wallSeconds);
    PRDateText(const PRDateText& other);
    PRDateText(PRDateText&& other) noexcept : value_(other.value_) { other.value_ = 0; }
    PRDateText& operator=(const PRDateText& other);
    PRDateText& operator=(PRDateText&& other) noexcept;
    ~PRDateText();

    // Room for the text of a minute.
    struct Buffer {
        char text[32];
    };
    // The text, written into buffer when this keeps a minute: valid while both live unchanged.
    std::string_view view(Buffer& buffer) const;
    std::string str() const;

private:
    // 0 for the empty text; the minute shifted up one bit, with the lowest bit set; or else the
    // address of this object's own copy of the text.
    static constexpr uintptr_t kMinute = 1;
    const std::string& ownText() const { return *reinterpret_cast<const std::string*>(value_); }
    void release();
    uintptr_t value_ = 0;
};
