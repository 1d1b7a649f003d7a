// The root of the objects that travel in notifications and controller arrays: records,
// numbers and the like. Shared ownership stands in for retain and release.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <typeinfo>
#include <vector>

// No enable_shared_from_this here: its weak count is 16 bytes in each of the millions of records a
// large backup holds. The few classes that hand out their own pointers (folders of trees) take it.
class NSObject {
public:
    virtual ~NSObject() = default;
    virtual std::string description() const;
};

using NSObjectPtr = std::shared_ptr<NSObject>;

// object as a T, or null when it is none (or null). No class derives from a final T, so there a
// comparison of types does, which costs less than dynamic_cast's search of the bases: observers
// of a million records ask once for each.
template <class T>
T* objectCast(NSObject* object) {
    if constexpr (std::is_final_v<T>)
        return object && typeid(*object) == typeid(T) ? static_cast<T*>(object) : nullptr;
    else
        return dynamic_cast<T*>(object);
}
template <class T>
const T* objectCast(const NSObject* object) {
    return objectCast<T>(const_cast<NSObject*>(object));
}

// A boxed number: an integer, a floating-point value or a boolean.
class NSNumber final : public NSObject {
public:
    static std::shared_ptr<NSNumber> numberWithInt(int value);
    static std::shared_ptr<NSNumber> numberWithLongLong(int64_t value);
    static std::shared_ptr<NSNumber> numberWithUnsignedLongLong(uint64_t value);
    static std::shared_ptr<NSNumber> numberWithDouble(double value);
    static std::shared_ptr<NSNumber> numberWithFloat(float value);
    static std::shared_ptr<NSNumber> numberWithBool(bool value);

    enum class Kind { Integer, Unsigned, Real, Boolean };
    Kind kind() const { return kind_; }
    int intValue() const;
    int64_t longLongValue() const;
    uint64_t unsignedLongLongValue() const;
    double doubleValue() const;
    float floatValue() const { return static_cast<float>(doubleValue()); }
    bool boolValue() const;
    std::string description() const override;

    NSNumber(Kind kind, int64_t i, double d) : kind_(kind), int_(i), real_(d) {}

private:
    Kind kind_;
    int64_t int_;
    double real_;
};

using NSNumberPtr = std::shared_ptr<NSNumber>;

// An immutable ordered list of objects, as carried by notifications.
class NSArray final : public NSObject {
public:
    explicit NSArray(std::vector<NSObjectPtr> objects) : objects_(std::move(objects)) {}
    static std::shared_ptr<NSArray> arrayWithObjects(std::vector<NSObjectPtr> objects) {
        return std::make_shared<NSArray>(std::move(objects));
    }
    size_t count() const { return objects_.size(); }
    // Null when index is out of range.
    NSObjectPtr objectAtIndex(size_t index) const { return index < objects_.size() ? objects_[index] : nullptr; }
    const std::vector<NSObjectPtr>& objects() const { return objects_; }
    std::string description() const override;

private:
    std::vector<NSObjectPtr> objects_;
};

using NSArrayPtr = std::shared_ptr<NSArray>;

// An immutable text (UTF-8), for notifications whose object is a path or a name.
class NSString final : public NSObject {
public:
    explicit NSString(std::string text) : text_(std::move(text)) {}
    static std::shared_ptr<NSString> stringWithString(std::string text) {
        return std::make_shared<NSString>(std::move(text));
    }
    const std::string& UTF8String() const { return text_; }
    std::string description() const override { return text_; }

private:
    std::string text_;
};

using NSStringPtr = std::shared_ptr<NSString>;
