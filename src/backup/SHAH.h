// SHA-1 (FIPS 180-1) of a byte stream, in the small incremental form the backup file keys
// need: Reset, Input as often as needed, Result.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class SHAH {
public:
    SHAH();
    virtual ~SHAH();

    void Reset();
    bool Result(unsigned* message_digest_array);

    void Input(const unsigned char* message_array, unsigned length);
    void Input(const char* message_array, unsigned length);
    void Input(unsigned char message_element);
    void Input(char message_element);
    SHAH& operator<<(const char* message_array);
    SHAH& operator<<(char message_element);

    static constexpr size_t kHexDigits = 40;
    // Writes five digest words as 40 lower-case hexadecimal digits into text (emptied first);
    // true when the text is then exactly 40 characters long.
    static bool DigestToHex(const unsigned* message_digest_array, std::string& text);
    // The same digits into out, which has room for kHexDigits characters (no terminator).
    static void DigestToHex(const unsigned* message_digest_array, char* out);

private:
    void ProcessMessageBlock();
    void PadMessage();

    unsigned H[5];
    unsigned Length_Low;
    unsigned Length_High;
    unsigned char Message_Block[64];
    int Message_Block_Index;
    bool Computed;
    bool Corrupted;
};

// The 40-digit backup file name of a manifest record: the SHA-1 of "domain-path".
std::string backupFileKey(const std::string& domain, const std::string& path);
