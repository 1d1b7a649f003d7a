// A text that many records repeat: the kind of a call and its length, the name of the person
// called, the address a message came from. Each distinct text is kept once for the whole process,
// and a record holds a pointer to it: 8 bytes in each of millions of records rather than a string
// of 32. The texts are never freed; there are as many as distinct values, not as records, so
// this is only for fields whose values repeat.
#pragma once

#include <string>
#include <string_view>

class PRSharedText {
public:
    PRSharedText();  // the empty text
    PRSharedText(std::string_view text);
    PRSharedText(const std::string& text) : PRSharedText(std::string_view(text)) {}
    PRSharedText(const char* text) : PRSharedText(std::string_view(text)) {}

    const std::string& str() const { return *text_; }
    bool operator==(const PRSharedText& other) const { return text_ == other.text_; }

private:
    const std::string* text_;
};
