// Reference-counted property-list values in the CoreFoundation manner: strings, numbers,
// booleans, data, dates, arrays, dictionaries and the null singleton. A function whose name
// holds "Create" or "Copy" returns an object owned by the caller (release it with CFRelease);
// "Get" functions return borrowed objects. Values are immutable once shared; the mutable
// array and dictionary exist to build them.
#pragma once

#include <atomic>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

using CFIndex = long;
using CFTypeID = unsigned long;
using CFAbsoluteTime = double;  // seconds since 2001-01-01 00:00:00 UTC
using Boolean = bool;

// Seconds between 1970-01-01 and 2001-01-01, the two epochs in play.
constexpr double kCFAbsoluteTimeIntervalSince1970 = 978307200.0;

class CFObject {
public:
    CFObject(const CFObject&) = delete;
    CFObject& operator=(const CFObject&) = delete;
    CFTypeID typeID() const { return typeID_; }
    long retainCount() const { return refs_.load(); }
    void retain() const { refs_.fetch_add(1, std::memory_order_relaxed); }
    // Returns true when this release destroyed the object.
    bool release() const;

protected:
    explicit CFObject(CFTypeID typeID) : typeID_(typeID) {}
    virtual ~CFObject() = default;

private:
    CFTypeID typeID_;
    mutable std::atomic<long> refs_{1};
    bool immortal_ = false;
    friend struct CFSingletons;
};

// Number types, as the platform names them.
enum CFNumberType {
    kCFNumberSInt32Type = 3,
    kCFNumberSInt64Type = 4,
    kCFNumberFloat32Type = 5,
    kCFNumberFloat64Type = 6,
    kCFNumberIntType = 9,
    kCFNumberLongLongType = 11,
    kCFNumberDoubleType = 13,
};

// The value classes. Use the functions below rather than their members.
enum : CFTypeID {
    kTypeString = 7,
    kTypeNumber,
    kTypeBoolean,
    kTypeData,
    kTypeDate,
    kTypeArray,
    kTypeDictionary,
    kTypeNull,
};

struct CFString final : CFObject {
    explicit CFString(std::string t) : CFObject(kTypeString), text(std::move(t)) {}
    std::string text;
};

struct CFNumber final : CFObject {
    CFNumber(CFNumberType t, int64_t i, double r) : CFObject(kTypeNumber), type(t), integer(i), real(r) {}
    bool isFloat() const {
        return type == kCFNumberFloat32Type || type == kCFNumberFloat64Type || type == kCFNumberDoubleType;
    }
    CFNumberType type;
    int64_t integer;
    double real;
};

struct CFBoolean final : CFObject {
    explicit CFBoolean(bool v) : CFObject(kTypeBoolean), value(v) {}
    bool value;
};

struct CFNull final : CFObject {
    CFNull() : CFObject(kTypeNull) {}
};

struct CFData final : CFObject {
    explicit CFData(std::vector<uint8_t> b) : CFObject(kTypeData), bytes(std::move(b)) {}
    std::vector<uint8_t> bytes;
};

struct CFDate final : CFObject {
    explicit CFDate(CFAbsoluteTime t) : CFObject(kTypeDate), at(t) {}
    CFAbsoluteTime at;
};

struct CFArray final : CFObject {
    CFArray() : CFObject(kTypeArray) {}
    ~CFArray() override;
    std::vector<const CFObject*> values;
};

struct CFDictionary final : CFObject {
    CFDictionary() : CFObject(kTypeDictionary) {}
    ~CFDictionary() override;
    struct Entry {
        const CFString* key;    // owned; handed out by CFDictionaryGetKeysAndValues
        const CFObject* value;  // owned
    };
    std::map<std::string, Entry> values;
};

using CFTypeRef = const CFObject*;
using CFPropertyListRef = CFTypeRef;
using CFStringRef = const CFString*;
using CFNumberRef = const CFNumber*;
using CFBooleanRef = const CFBoolean*;
using CFDataRef = const CFData*;
using CFDateRef = const CFDate*;
using CFArrayRef = const CFArray*;
using CFMutableArrayRef = CFArray*;
using CFDictionaryRef = const CFDictionary*;
using CFMutableDictionaryRef = CFDictionary*;
using CFNullRef = const CFNull*;

template <class T>
const T* cfCast(CFTypeRef object, CFTypeID id) {
    return (object && object->typeID() == id) ? static_cast<const T*>(object) : nullptr;
}

// Ownership and identity.
CFTypeRef CFRetain(CFTypeRef object);  // NULL is tolerated and returned
void CFRelease(CFTypeRef object);      // NULL is tolerated
CFIndex CFGetRetainCount(CFTypeRef object);
CFTypeID CFGetTypeID(CFTypeRef object);  // 0 for NULL
CFTypeID CFStringGetTypeID();
CFTypeID CFNumberGetTypeID();
CFTypeID CFBooleanGetTypeID();
CFTypeID CFDataGetTypeID();
CFTypeID CFDateGetTypeID();
CFTypeID CFArrayGetTypeID();
CFTypeID CFDictionaryGetTypeID();
CFTypeID CFNullGetTypeID();
Boolean CFEqual(CFTypeRef a, CFTypeRef b);  // deep value equality
// A readable text of any value: strings as themselves, containers in the
// "( a, b )" / "{ key = value; }" style. Owned by the caller.
CFStringRef CFCopyDescription(CFTypeRef object);

// Strings (UTF-8 in and out).
CFStringRef CFStringCreateWithCString(const char* utf8);
CFStringRef CFStringCreateWithBytes(const void* bytes, CFIndex length);  // invalid UTF-8 gives NULL
CFIndex CFStringGetLength(CFStringRef string);                           // in UTF-16 units, as the platform counts
// Copies the text and a terminating NUL into buffer; false when it does not fit.
Boolean CFStringGetCString(CFStringRef string, char* buffer, CFIndex bufferSize);
const std::string& CFStringGetStdString(CFStringRef string);  // borrowed view of the UTF-8 bytes

CFNumberRef CFNumberCreate(CFNumberType type, const void* valuePtr);
// Converts into the requested type; false when the conversion lost information.
Boolean CFNumberGetValue(CFNumberRef number, CFNumberType type, void* valuePtr);
Boolean CFNumberIsFloatType(CFNumberRef number);
CFNumberType CFNumberGetType(CFNumberRef number);

// Booleans and null: immortal singletons.
extern const CFBooleanRef kCFBooleanTrue;
extern const CFBooleanRef kCFBooleanFalse;
extern const CFNullRef kCFNull;
Boolean CFBooleanGetValue(CFBooleanRef boolean);

// Data.
CFDataRef CFDataCreate(const uint8_t* bytes, CFIndex length);
const uint8_t* CFDataGetBytePtr(CFDataRef data);
CFIndex CFDataGetLength(CFDataRef data);

// Dates.
CFDateRef CFDateCreate(CFAbsoluteTime at);
CFAbsoluteTime CFDateGetAbsoluteTime(CFDateRef date);

// Arrays: values are retained by the array.
CFArrayRef CFArrayCreate(const CFTypeRef* values, CFIndex count);
CFMutableArrayRef CFArrayCreateMutable();
void CFArrayAppendValue(CFMutableArrayRef array, CFTypeRef value);
CFIndex CFArrayGetCount(CFArrayRef array);
CFTypeRef CFArrayGetValueAtIndex(CFArrayRef array, CFIndex index);  // NULL when out of range

// Dictionaries: string keys, values retained by the dictionary, keys kept in sorted order.
CFMutableDictionaryRef CFDictionaryCreateMutable();
void CFDictionarySetValue(CFMutableDictionaryRef dict, CFStringRef key, CFTypeRef value);
void CFDictionarySetValue(CFMutableDictionaryRef dict, const char* key, CFTypeRef value);
void CFDictionaryRemoveValue(CFMutableDictionaryRef dict, const char* key);
CFTypeRef CFDictionaryGetValue(CFDictionaryRef dict, CFStringRef key);
CFTypeRef CFDictionaryGetValue(CFDictionaryRef dict, const char* key);
CFIndex CFDictionaryGetCount(CFDictionaryRef dict);
// Fills keys and values (each may be NULL) with count entries in key order.
void CFDictionaryGetKeysAndValues(CFDictionaryRef dict, CFTypeRef* keys, CFTypeRef* values);

// Property lists, XML and binary, through libplist.
enum CFPropertyListFormat {
    kCFPropertyListXMLFormat_v1_0 = 100,
    kCFPropertyListBinaryFormat_v1_0 = 200,
};
// NULL when the value holds something a property list cannot (the null singleton).
CFDataRef CFPropertyListCreateData(CFPropertyListRef plist, CFPropertyListFormat format);
CFDataRef CFPropertyListCreateXMLData(CFPropertyListRef plist);
// Arrays and dictionaries nested deeper than this are refused: no real property list comes
// near it, and every reader of nested values would otherwise recurse without bound.
constexpr int kCFPropertyListMaxDepth = 512;
// Parses XML or binary; NULL when the bytes are not a property list or nest deeper than
// kCFPropertyListMaxDepth, with a one-line reason in *error when error is given. format may
// be NULL.
CFPropertyListRef CFPropertyListCreateWithData(CFDataRef data, CFPropertyListFormat* format);
CFPropertyListRef CFPropertyListCreateWithBytes(const void* bytes, size_t length, CFPropertyListFormat* format,
                                                std::string* error = nullptr);
// Whole-file helper for the small property lists of backups and devices: a regular file only
// (a FIFO or device in its place is refused, never waited on), of at most 256 MB. A backup's
// files are read with followLinks false: a link in a backup is refused, never read through.
CFPropertyListRef CFPropertyListCreateFromFile(const std::string& path, std::string* error = nullptr,
                                               bool followLinks = true);
Boolean CFPropertyListWriteToFile(CFPropertyListRef plist, const std::string& path, CFPropertyListFormat format);

// Holds one owned reference and releases it when it goes out of scope.
template <class Ref>
class CFHolder {
public:
    CFHolder() = default;
    explicit CFHolder(Ref owned) : ref_(owned) {}
    CFHolder(const CFHolder&) = delete;
    CFHolder& operator=(const CFHolder&) = delete;
    CFHolder(CFHolder&& other) noexcept : ref_(other.release()) {}
    CFHolder& operator=(CFHolder&& other) noexcept {
        reset(other.release());
        return *this;
    }
    ~CFHolder() { CFRelease(ref_); }
    Ref get() const { return ref_; }
    Ref release() {
        Ref r = ref_;
        ref_ = nullptr;
        return r;
    }
    void reset(Ref owned = nullptr) {
        if (ref_ != owned) {
            CFRelease(ref_);
            ref_ = owned;
        }
    }
    explicit operator bool() const { return ref_ != nullptr; }

private:
    Ref ref_ = nullptr;
};
