#include "NotificationJson.h"

#include "model/PRRecord.h"

#include <charconv>
#include <cmath>
#include <cstdio>

namespace {

// Length of the valid UTF-8 sequence at text[i], or 0.
size_t utf8SequenceLength(std::string_view text, size_t i) {
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

template <class Integer>
void appendInteger(std::string& out, Integer value) {
    char text[24];
    const auto result = std::to_chars(text, text + sizeof text, value);
    out.append(text, result.ptr);
}

void appendNumber(std::string& out, const NSNumber& number) {
    switch (number.kind()) {
    case NSNumber::Kind::Boolean: out += number.boolValue() ? "true" : "false"; return;
    case NSNumber::Kind::Unsigned: appendInteger(out, number.unsignedLongLongValue()); return;
    case NSNumber::Kind::Integer: appendInteger(out, number.longLongValue()); return;
    case NSNumber::Kind::Real: {
        const double value = number.doubleValue();
        if (!std::isfinite(value)) break;
        char text[64];
        const auto result = std::to_chars(text, text + sizeof text, value);
        out.append(text, result.ptr);
        return;
    }
    }
    out += "null";
}

// A record's fields as "name": value pairs, each text read where it lies.
class FieldsJson final : public PRFieldVisitor {
public:
    explicit FieldsJson(std::string& out) : out_(out) {}
    void field(const char* name, const PRFieldView& value) override {
        if (!first_) out_ += ", ";
        first_ = false;
        appendJsonString(out_, name);
        out_ += ": ";
        std::visit(
            [this](const auto& v) {
                using V = std::decay_t<decltype(v)>;
                if constexpr (std::is_same_v<V, std::nullptr_t>)
                    out_ += "null";
                else if constexpr (std::is_same_v<V, bool>)
                    out_ += v ? "true" : "false";
                else if constexpr (std::is_same_v<V, std::string_view>)
                    appendJsonString(out_, v);
                else
                    appendInteger(out_, v);
            },
            value);
    }

private:
    std::string& out_;
    bool first_ = true;
};

void appendObject(std::string& out, const NSObjectPtr& object) {
    if (!object) {
        out += "null";
    } else if (const auto* number = dynamic_cast<const NSNumber*>(object.get())) {
        appendNumber(out, *number);
    } else if (const auto* record = dynamic_cast<const PRRecord*>(object.get())) {
        out += '{';
        FieldsJson fields(out);
        record->visitFields(fields);
        out += '}';
    } else {
        appendJsonString(out, object->description());
    }
}

}  // namespace

void appendJsonString(std::string& out, std::string_view text) {
    out += '"';
    size_t i = 0;
    while (i < text.size()) {
        // Plain printable ASCII goes over in one piece.
        size_t plain = i;
        while (plain < text.size()) {
            const unsigned char c = static_cast<unsigned char>(text[plain]);
            if (c < 0x20 || c >= 0x80 || c == '"' || c == '\\') break;
            ++plain;
        }
        out.append(text, i, plain - i);
        i = plain;
        if (i == text.size()) break;
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
        default: {
            char escape[8];
            std::snprintf(escape, sizeof escape, "\\u%04x", c);
            out += escape;
        }
        }
        ++i;
    }
    out += '"';
}

std::string jsonString(const std::string& text) {
    std::string out;
    appendJsonString(out, text);
    return out;
}

void appendNotificationJson(std::string& out, const NSNotification& notification) {
    out += "{\"name\": ";
    appendJsonString(out, notification.name());
    out += ", \"object\": ";
    appendObject(out, notification.object());
    out += '}';
}

std::string notificationJson(const NSNotification& notification) {
    std::string out;
    appendNotificationJson(out, notification);
    return out;
}
