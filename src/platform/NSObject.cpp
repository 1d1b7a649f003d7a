#include "platform/NSObject.h"

#include <cmath>
#include <cstdio>

std::string NSObject::description() const {
    char buf[64];
    std::snprintf(buf, sizeof buf, "<NSObject %p>", static_cast<const void*>(this));
    return buf;
}

std::shared_ptr<NSNumber> NSNumber::numberWithInt(int value) { return numberWithLongLong(value); }
std::shared_ptr<NSNumber> NSNumber::numberWithLongLong(int64_t value) {
    return std::make_shared<NSNumber>(Kind::Integer, value, static_cast<double>(value));
}
std::shared_ptr<NSNumber> NSNumber::numberWithUnsignedLongLong(uint64_t value) {
    return std::make_shared<NSNumber>(Kind::Unsigned, static_cast<int64_t>(value), static_cast<double>(value));
}
std::shared_ptr<NSNumber> NSNumber::numberWithDouble(double value) {
    const bool fits = std::isfinite(value) && std::fabs(value) < 9.2e18;
    return std::make_shared<NSNumber>(Kind::Real, fits ? static_cast<int64_t>(value) : 0, value);
}
std::shared_ptr<NSNumber> NSNumber::numberWithFloat(float value) { return numberWithDouble(value); }
std::shared_ptr<NSNumber> NSNumber::numberWithBool(bool value) {
    return std::make_shared<NSNumber>(Kind::Boolean, value ? 1 : 0, value ? 1.0 : 0.0);
}

int NSNumber::intValue() const { return static_cast<int>(int_); }
int64_t NSNumber::longLongValue() const { return int_; }
uint64_t NSNumber::unsignedLongLongValue() const { return static_cast<uint64_t>(int_); }
double NSNumber::doubleValue() const { return real_; }
bool NSNumber::boolValue() const { return kind_ == Kind::Real ? real_ != 0 : int_ != 0; }

std::string NSNumber::description() const {
    switch (kind_) {
    case Kind::Unsigned: return std::to_string(static_cast<uint64_t>(int_));
    case Kind::Real: {
        char buf[64];
        std::snprintf(buf, sizeof buf, "%.17g", real_);
        return buf;
    }
    default: return std::to_string(int_);
    }
}

std::string NSArray::description() const {
    std::string text = "(";
    for (size_t i = 0; i < objects_.size(); ++i) {
        text += i ? ", " : " ";
        text += objects_[i] ? objects_[i]->description() : "(null)";
    }
    return text + (objects_.empty() ? ")" : " )");
}
