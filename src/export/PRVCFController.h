// Writes one contact as a vCard 3.0 file (RFC 2426): the name in its parts and as shown, every
// number, address and web page on a line of its own with its type, values escaped, lines folded
// at 75 octets and ended by CR LF, so that an address book takes in what the record holds.
#pragma once

#include "model/PRContactNode.h"
#include "platform/NSObject.h"
#include "platform/NewFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

class PRVCFController : public NSObject {
public:
    // Builds the card and writes it to filePath (UTF-8) as a new file (platform/NewFile.h: a
    // taken name gets the next numbered one).
    files::Outcome creatFile(const PRContactNode& contact, const std::string& filePath);
    // The card of a contact, as creatFile writes it.
    static std::string cardText(const PRContactNode& contact);
    // The name a card shows (FN): the contact's name, else its organisation or company, else
    // "unknown <rowid>"; never empty.
    static std::string displayName(const PRContactNode& contact);
    // The TYPE list of a phone number with the address book's label ("Mobile" is CELL,
    // "HomeFAX" HOME,FAX...); empty for a label without a standard type.
    static std::string phoneTypes(const std::string& label);
    // One content line as the card holds it: cut into lines of at most 75 octets (never inside
    // a character), each further line starting with a blank, every line ended by CR LF.
    static std::string foldedLine(const std::string& line);

    // Base64 (RFC 4648) of source over the 64-character alphabet, on one line, into dest of
    // destLen bytes. Returns the characters written; 0 when a pointer is null, a length is 0
    // or dest cannot hold the whole text (nothing is written past destLen).
    static size_t baseEncode(const uint8_t* source, size_t srcLen, char* dest, size_t destLen, const char* charset,
                             bool padded);
    // The room that baseEncode needs for len source bytes.
    static size_t encodedLength(size_t len, bool padded);
    // A value as vCard 3.0 text: backslash, comma, semicolon and line breaks escaped.
    static std::string escapeValue(std::string_view value);

    const std::string& strContent() const { return strContent_; }
    int itemCount() const { return itemCount_; }
    void setItemCount(int count) { itemCount_ = count; }

private:
    std::string strContent_;
    int itemCount_ = 0;
};
