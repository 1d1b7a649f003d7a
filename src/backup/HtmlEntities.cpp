#include "backup/HtmlEntities.h"

#include "model/PRRecordFields.h"

#include <cstdint>

namespace backuptext {

namespace {

// The code point of a numeric reference's digits ("233" or "xE9"), or 0 when they are not one
// a text may hold (none, too long, a surrogate, NUL, beyond Unicode).
uint32_t numericReference(std::string_view digits) {
    int base = 10;
    if (!digits.empty() && (digits[0] == 'x' || digits[0] == 'X')) {
        base = 16;
        digits.remove_prefix(1);
    }
    if (digits.empty() || digits.size() > 7) return 0;
    uint32_t code = 0;
    for (char c : digits) {
        uint32_t d;
        if (c >= '0' && c <= '9')
            d = static_cast<uint32_t>(c - '0');
        else if (base == 16 && c >= 'a' && c <= 'f')
            d = static_cast<uint32_t>(c - 'a' + 10);
        else if (base == 16 && c >= 'A' && c <= 'F')
            d = static_cast<uint32_t>(c - 'A' + 10);
        else
            return 0;
        code = code * static_cast<uint32_t>(base) + d;
    }
    if (code == 0 || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return 0;
    return code;
}

// What the reference name (between "&" and ";") stands for, or empty when it is none we know.
std::string referenced(std::string_view name) {
    if (name == "amp") return "&";
    if (name == "lt") return "<";
    if (name == "gt") return ">";
    if (name == "quot") return "\"";
    if (name == "apos") return "'";
    if (name == "nbsp") return " ";
    if (name.size() > 1 && name[0] == '#') {
        std::string out;
        if (uint32_t code = numericReference(name.substr(1))) appendUtf8(out, code);
        return out;
    }
    return {};
}

}  // namespace

std::string decodeHtmlEntities(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size();) {
        if (text[i] == '&') {
            // The longest reference we read is "&#x10FFFF;".
            const size_t end = text.substr(i, 11).find(';');
            if (end != std::string_view::npos) {
                std::string character = referenced(text.substr(i + 1, end - 1));
                if (!character.empty()) {
                    out += character;
                    i += end + 1;
                    continue;
                }
            }
        }
        out += text[i++];
    }
    return out;
}

}  // namespace backuptext
