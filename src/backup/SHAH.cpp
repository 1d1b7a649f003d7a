#include "backup/SHAH.h"

#include <cstring>

namespace {
inline unsigned circularShift(int bits, unsigned word) { return (word << bits) | (word >> (32 - bits)); }
}  // namespace

SHAH::SHAH() { Reset(); }

SHAH::~SHAH() = default;

void SHAH::Reset() {
    Length_Low = 0;
    Length_High = 0;
    Message_Block_Index = 0;
    std::memset(Message_Block, 0, sizeof Message_Block);
    H[0] = 0x67452301;
    H[1] = 0xEFCDAB89;
    H[2] = 0x98BADCFE;
    H[3] = 0x10325476;
    H[4] = 0xC3D2E1F0;
    Computed = false;
    Corrupted = false;
}

bool SHAH::Result(unsigned* message_digest_array) {
    if (Corrupted || !message_digest_array) return false;
    if (!Computed) {
        PadMessage();
        Computed = true;
    }
    for (int i = 0; i < 5; ++i) message_digest_array[i] = H[i];
    return true;
}

void SHAH::Input(const unsigned char* message_array, unsigned length) {
    if (length == 0) return;
    if (Computed || Corrupted || !message_array) {
        Corrupted = true;
        return;
    }
    // The message length in bits is kept in two words; a message of 2^64 bits or more is
    // refused as a whole.
    const uint64_t bits = (static_cast<uint64_t>(Length_High) << 32) | Length_Low;
    const uint64_t added = static_cast<uint64_t>(length) * 8;
    if (bits + added < bits) {
        Corrupted = true;
        return;
    }
    Length_Low = static_cast<unsigned>(bits + added);
    Length_High = static_cast<unsigned>((bits + added) >> 32);
    // Whole runs of bytes into the block, not one byte at a time.
    while (length > 0) {
        const unsigned room = 64 - static_cast<unsigned>(Message_Block_Index);
        const unsigned take = length < room ? length : room;
        std::memcpy(Message_Block + Message_Block_Index, message_array, take);
        Message_Block_Index += static_cast<int>(take);
        message_array += take;
        length -= take;
        if (Message_Block_Index == 64) ProcessMessageBlock();
    }
}

void SHAH::Input(const char* message_array, unsigned length) {
    Input(reinterpret_cast<const unsigned char*>(message_array), length);
}

void SHAH::Input(unsigned char message_element) { Input(&message_element, 1); }

void SHAH::Input(char message_element) { Input(reinterpret_cast<const unsigned char*>(&message_element), 1); }

SHAH& SHAH::operator<<(const char* message_array) {
    if (message_array) Input(message_array, static_cast<unsigned>(std::strlen(message_array)));
    return *this;
}

SHAH& SHAH::operator<<(char message_element) {
    Input(message_element);
    return *this;
}

void SHAH::ProcessMessageBlock() {
    static constexpr unsigned K[] = {0x5A827999, 0x6ED9EBA1, 0x8F1BBCDC, 0xCA62C1D6};
    unsigned W[80];
    for (int t = 0; t < 16; ++t) {
        W[t] = static_cast<unsigned>(Message_Block[t * 4]) << 24;
        W[t] |= static_cast<unsigned>(Message_Block[t * 4 + 1]) << 16;
        W[t] |= static_cast<unsigned>(Message_Block[t * 4 + 2]) << 8;
        W[t] |= static_cast<unsigned>(Message_Block[t * 4 + 3]);
    }
    for (int t = 16; t < 80; ++t) W[t] = circularShift(1, W[t - 3] ^ W[t - 8] ^ W[t - 14] ^ W[t - 16]);

    unsigned A = H[0], B = H[1], C = H[2], D = H[3], E = H[4];
    const auto round = [&](unsigned f, unsigned k, int t) {
        const unsigned temp = circularShift(5, A) + f + E + W[t] + k;
        E = D;
        D = C;
        C = circularShift(30, B);
        B = A;
        A = temp;
    };
    for (int t = 0; t < 20; ++t) round((B & C) | (~B & D), K[0], t);
    for (int t = 20; t < 40; ++t) round(B ^ C ^ D, K[1], t);
    for (int t = 40; t < 60; ++t) round((B & C) | (B & D) | (C & D), K[2], t);
    for (int t = 60; t < 80; ++t) round(B ^ C ^ D, K[3], t);

    H[0] += A;
    H[1] += B;
    H[2] += C;
    H[3] += D;
    H[4] += E;
    Message_Block_Index = 0;
}

void SHAH::PadMessage() {
    // 0x80, zeros up to byte 56 (finishing this block first when there is no room for the
    // length), then the 64-bit bit count, high word first.
    Message_Block[Message_Block_Index++] = 0x80;
    if (Message_Block_Index > 56) {
        while (Message_Block_Index < 64) Message_Block[Message_Block_Index++] = 0;
        ProcessMessageBlock();
    }
    while (Message_Block_Index < 56) Message_Block[Message_Block_Index++] = 0;
    for (int i = 0; i < 4; ++i) {
        Message_Block[56 + i] = static_cast<unsigned char>(Length_High >> (24 - 8 * i));
        Message_Block[60 + i] = static_cast<unsigned char>(Length_Low >> (24 - 8 * i));
    }
    ProcessMessageBlock();
}

bool SHAH::DigestToHex(const unsigned* message_digest_array, std::string& text) {
    text.clear();
    if (!message_digest_array) return false;
    text.resize(kHexDigits);
    DigestToHex(message_digest_array, text.data());
    return true;
}

void SHAH::DigestToHex(const unsigned* message_digest_array, char* out) {
    static constexpr char kDigits[] = "0123456789abcdef";
    for (int i = 0; i < 5; ++i)
        for (int shift = 28; shift >= 0; shift -= 4) *out++ = kDigits[(message_digest_array[i] >> shift) & 0xF];
}

std::string backupFileKey(const std::string& domain, const std::string& path) {
    SHAH sha;
    sha.Input(domain.data(), static_cast<unsigned>(domain.size()));
    sha.Input('-');
    sha.Input(path.data(), static_cast<unsigned>(path.size()));
    unsigned digest[5];
    std::string hex;
    if (!sha.Result(digest) || !SHAH::DigestToHex(digest, hex)) hex.clear();
    return hex;
}
