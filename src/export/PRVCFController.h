// Writes one contact as a vCard 3.0 file.
#pragma once

#include "model/PRContactNode.h"
#include "platform/NSObject.h"
#include "platform/NewFile.h"

#include <cstddef>
#include <cstdint>
#include <string>

class PRVCFController : public NSObject {
public:
    // Builds the card and writes it to filePath (UTF-8) as a new file (platform/NewFile.h: a
    // taken name gets the next numbered one).
    files::Outcome creatFile(const PRContactNode& contact, const std::string& filePath);

    // Base64 (RFC 4648) of source over the 64-character alphabet, on one line, into dest of
    // destLen bytes. Returns the characters written; 0 when a pointer is null, a length is 0
    // or dest cannot hold the whole text (nothing is written past destLen).
    static size_t baseEncode(const uint8_t* source, size_t srcLen, char* dest, size_t destLen, const char* charset,
                             bool padded);
    // The room that baseEncode needs for len source bytes.
    static size_t encodedLength(size_t len, bool padded);
    // A value as vCard 3.0 text: backslash, comma, semicolon and line breaks escaped.
    static std::string escapeValue(const std::string& value);

    const std::string& strContent() const { return strContent_; }
    int itemCount() const { return itemCount_; }
    void setItemCount(int count) { itemCount_ = count; }

private:
    std::string strContent_;
    int itemCount_ = 0;
};
