#include "model/PRDateText.h"

#include "model/WallClockText.h"

namespace {
uintptr_t ownCopy(std::string_view text) { return reinterpret_cast<uintptr_t>(new std::string(text)); }
}  // namespace

PRDateText::PRDateText(std::string_view text) {
    if (text.empty()) return;
    if (const std::optional<int64_t> minute = wallClockMinute(text))
        *this = ofWallClock(*minute * 60);
    else
        value_ = ownCopy(text);
}

PRDateText PRDateText::ofWallClock(int64_t wallSeconds) {
    PRDateText date;
    const int64_t minute = wallSeconds / 60 - (wallSeconds % 60 < 0);
    date.value_ = static_cast<uintptr_t>(minute) << 1 | kMinute;
    return date;
}

PRDateText::PRDateText(const PRDateText& other)
    : value_(other.value_ == 0 || (other.value_ & kMinute) ? other.value_ : ownCopy(other.ownText())) {}

PRDateText& PRDateText::operator=(const PRDateText& other) {
    if (this != &other) *this = PRDateText(other);
    return *this;
}

PRDateText& PRDateText::operator=(PRDateText&& other) noexcept {
    if (this != &other) {
        release();
        value_ = other.value_;
        other.value_ = 0;
    }
    return *this;
}

PRDateText::~PRDateText() { release(); }

void PRDateText::release() {
    if (value_ != 0 && !(value_ & kMinute)) delete &ownText();
    value_ = 0;
}

std::string_view PRDateText::view(Buffer& buffer) const {
    if (value_ == 0) return {};
    if (!(value_ & kMinute)) return ownText();
    // The minute is kept in the bits above the mark, its sign included.
    const int64_t minute = static_cast<int64_t>(value_) >> 1;
    return std::string_view(buffer.text, writeWallClock(minute * 60, buffer.text));
}

std::string PRDateText::str() const {
    Buffer buffer;
    return std::string(view(buffer));
}
