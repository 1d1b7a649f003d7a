// A text that many records repeat: the kind of a call and its length, the name of the person
// called, the address a message came from. Each distinct text is kept once, and a record holds a
// pointer to it: 8 bytes in each of millions of records rather than a string of 32. The shared
// texts stay for the whole process, so there are at most so many of them (and none longer than
// a name or an address): past that, as for a long text, the record keeps a copy of its own.
// Bytes carved from a file can be any text, and must not fill memory for good.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class PRSharedText {
public:
    PRSharedText();  // the empty text
    PRSharedText(std::string_view text);
    PRSharedText(const std::string& text) : PRSharedText(std::string_view(text)) {}
    PRSharedText(const char* text) : PRSharedText(std::string_view(text)) {}
    PRSharedText(const PRSharedText& other);
    PRSharedText(PRSharedText&& other) noexcept;
    PRSharedText& operator=(const PRSharedText& other);
    PRSharedText& operator=(PRSharedText&& other) noexcept;
    ~PRSharedText();

    const std::string& str() const { return *reinterpret_cast<const std::string*>(text_ & ~kOwn); }

private:
    // The text's address, its lowest bit set when the text is this object's own copy.
    static constexpr uintptr_t kOwn = 1;
    static uintptr_t ownCopy(std::string_view text);
    uintptr_t text_;
};
