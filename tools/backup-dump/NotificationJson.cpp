#include "NotificationJson.h"

#include "model/PRRecord.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// Length of the valid UTF-8 sequence at text[i], or 0.
size_t utf8SequenceLength(const std::string& text, size_t i) {
    const auto at = [&](size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned char lead = at(i);
    size_t length;
    uint32_t cp;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        cp = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        cp = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        cp = lead & 0x07;
    } else
        return 0;
    if (i + length > text.size()) return 0;
    for (size_t k = 1; k < length; ++k) {
        if ((at(i + k) & 0xC0) != 0x80) return 0;
        cp = (cp << 6) | (at(i + k) & 0x3F);
    }
    if ((length == 3 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF))) ||
        (length == 4 && (cp < 0x10000 || cp > 0x10FFFF)))
        return 0;
    return length;
}

std::string numberJson(const NSNumber& number) {
    switch (number.kind()) {
    case NSNumber::Kind::Boolean: return number.boolValue() ? "true" : "false";
    case NSNumber::Kind::Unsigned: return std::to_string(number.unsignedLongLongValue());
    case NSNumber::Kind::Integer: return std::to_string(number.longLongValue());
    case NSNumber::Kind::Real: {
        const double value = number.doubleValue();
        if (!std::isfinite(value)) return "null";
        char text[64];
        const auto result = std::to_chars(text, text + sizeof text, value);
        return std::string(text, result.ptr);
    }
    }
    return "null";
}

std::string fieldJson(const PRFieldValue& value) {
    return std::visit(
        [](const auto& v) -> std::string {
            using V = std::decay_t<decltype(v)>;
            if constexpr (std::is_same_v<V, std::nullptr_t>)
                return "null";
            else if constexpr (std::is_same_v<V, bool>)
                return v ? "true" : "false";
            else if constexpr (std::is_same_v<V, std::string>)
                return jsonString(v);
            else
                return std::to_string(v);
        },
        value);
}

std::string objectJson(const NSObjectPtr& object) {
    if (!object) return "null";
    if (const auto* number = dynamic_cast<const NSNumber*>(object.get())) return numberJson(*number);
    if (const auto* record = dynamic_cast<const PRRecord*>(object.get())) {
        std::string out = "{";
        bool first = true;
        for (const PRField& field : record->fields()) {
            if (!first) out += ", ";
            first = false;
            out += jsonString(field.name) + ": " + fieldJson(field.value);
        }
        return out + "}";
    }
    return jsonString(object->description());
}

}  // namespace

std::string jsonString(const std::string& text) {
    std::string out = "\"";
    for (size_t i = 0; i < text.size();) {
        const unsigned char c = static_cast<unsigned char>(text[i]);
        if (c >= 0x80) {
            const size_t length = utf8SequenceLength(text, i);
            if (length == 0) {
                out += "\\ufffd";
                ++i;
            } else {
                out.append(text, i, length);
                i += length;
            }
            continue;
        }
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (c < 0x20) {
                char escape[8];
                std::snprintf(escape, sizeof escape, "\\u%04x", c);
                out += escape;
            } else {
                out += static_cast<char>(c);
            }
        }
        ++i;
    }
    return out + "\"";
}

std::string notificationJson(const NSNotification& notification) {
    return "{\"name\": " + jsonString(notification.name()) + ", \"object\": " + objectJson(notification.object()) + "}";
}
