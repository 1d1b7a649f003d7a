#include "export/PRVCFController.h"

#include "platform/LogCategories.h"
#include "platform/NewFile.h"

#include <vector>

namespace {
const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
}

size_t PRVCFController::encodedLength(size_t len, bool padded) {
    const size_t whole = len / 3 * 4;
    const size_t rest = len % 3;
    if (rest == 0) return whole;
    return whole + (padded ? 4 : rest + 1);
}

size_t PRVCFController::baseEncode(const uint8_t* source, size_t srcLen, char* dest, size_t destLen,
                                   const char* charset, bool padded) {
    if (!source || !dest || !charset || srcLen == 0 || destLen == 0) return 0;
    if (encodedLength(srcLen, padded) > destLen) {
        qCWarning(lcExport, "our calc for encoded length was wrong");
        return 0;
    }
    size_t out = 0;
    size_t i = 0;
    for (; i + 3 <= srcLen; i += 3) {
        const uint32_t group = (uint32_t{source[i]} << 16) | (uint32_t{source[i + 1]} << 8) | source[i + 2];
        dest[out++] = charset[(group >> 18) & 0x3F];
        dest[out++] = charset[(group >> 12) & 0x3F];
        dest[out++] = charset[(group >> 6) & 0x3F];
        dest[out++] = charset[group & 0x3F];
    }
    const size_t rest = srcLen - i;
    if (rest > 0) {
        const uint32_t group = (uint32_t{source[i]} << 16) | (rest == 2 ? uint32_t{source[i + 1]} << 8 : 0);
        dest[out++] = charset[(group >> 18) & 0x3F];
        dest[out++] = charset[(group >> 12) & 0x3F];
        if (rest == 2) dest[out++] = charset[(group >> 6) & 0x3F];
        if (padded) {
            if (rest == 1) dest[out++] = '=';
            dest[out++] = '=';
        }
    }
    return out;
}

std::string PRVCFController::escapeValue(const std::string& value) {
    std::string out;
    out.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        const char ch = value[i];
        switch (ch) {
        case '\\': out += "\\\\"; break;
        case ',': out += "\\,"; break;
        case ';': out += "\\;"; break;
        case '\r':
            if (i + 1 < value.size() && value[i + 1] == '\n') ++i;
            out += "\\n";
            break;
        case '\n': out += "\\n"; break;
        default: out += ch;
        }
    }
    return out;
}

files::Outcome PRVCFController::creatFile(const PRContactNode& contact, const std::string& filePath) {
    std::string card = "BEGIN:VCARD\r\nVERSION:3.0\r\n";
    card += "N:" + escapeValue(contact.contactName()) + "\r\n";
    card += "ORG:" + escapeValue(contact.contactCompany()) + "\r\n";
    card += "EMAIL;INTERNET;HOME;PREF:" + escapeValue(contact.contactEmail()) + "\r\n";
    card += "TEL;CELL;PREF:" + escapeValue(contact.contactPhone()) + "\r\n";
    card += "URL:" + escapeValue(contact.contactHomepage()) + "\r\n";
    if (const PRBytes& image = contact.imageData(); image && !image->empty()) {
        std::vector<char> encoded(encodedLength(image->size(), true));
        const size_t length =
            baseEncode(image->data(), image->size(), encoded.data(), encoded.size(), kBase64Alphabet, true);
        card += "PHOTO;ENCODING=b;TYPE=JPEG:" + std::string(encoded.data(), length) + "\r\n";
    }
    card += "END:VCARD";
    strContent_ = card;
    return files::writeNewFile(filePath, card);
}
