#include "platform/CoreFoundation.h"

#include <cctype>
#include <cmath>
#include <cstring>
#include <ctime>
#include <limits>
#include <sstream>

bool CFObject::release() const {
    if (immortal_) return false;
    if (refs_.fetch_sub(1, std::memory_order_acq_rel) == 1) {
        delete this;
        return true;
    }
    return false;
}

struct CFSingletons {
    static CFBoolean* makeBoolean(bool v) {
        auto* b = new CFBoolean(v);
        b->immortal_ = true;
        return b;
    }
    static CFNull* makeNull() {
        auto* n = new CFNull();
        n->immortal_ = true;
        return n;
    }
};

const CFBooleanRef kCFBooleanTrue = CFSingletons::makeBoolean(true);
const CFBooleanRef kCFBooleanFalse = CFSingletons::makeBoolean(false);
const CFNullRef kCFNull = CFSingletons::makeNull();

CFArray::~CFArray() {
    for (CFTypeRef v : values) CFRelease(v);
}

CFDictionary::~CFDictionary() {
    for (auto& [text, entry] : values) {
        CFRelease(entry.key);
        CFRelease(entry.value);
    }
}

CFTypeRef CFRetain(CFTypeRef object) {
    if (object) object->retain();
    return object;
}

void CFRelease(CFTypeRef object) {
    if (object) object->release();
}

CFIndex CFGetRetainCount(CFTypeRef object) { return object ? object->retainCount() : 0; }
CFTypeID CFGetTypeID(CFTypeRef object) { return object ? object->typeID() : 0; }
CFTypeID CFStringGetTypeID() { return kTypeString; }
CFTypeID CFNumberGetTypeID() { return kTypeNumber; }
CFTypeID CFBooleanGetTypeID() { return kTypeBoolean; }
CFTypeID CFDataGetTypeID() { return kTypeData; }
CFTypeID CFDateGetTypeID() { return kTypeDate; }
CFTypeID CFArrayGetTypeID() { return kTypeArray; }
CFTypeID CFDictionaryGetTypeID() { return kTypeDictionary; }
CFTypeID CFNullGetTypeID() { return kTypeNull; }

// ---- strings

static bool isValidUtf8(const unsigned char* s, size_t n) {
    size_t i = 0;
    while (i < n) {
        unsigned char c = s[i];
        size_t extra;
        if (c < 0x80)
            extra = 0;
        else if ((c >> 5) == 0x6)
            extra = 1;
        else if ((c >> 4) == 0xE)
            extra = 2;
        else if ((c >> 3) == 0x1E)
            extra = 3;
        else
            return false;
        if (extra > n - i - 1) return false;
        for (size_t k = 1; k <= extra; ++k)
            if ((s[i + k] & 0xC0) != 0x80) return false;
        i += extra + 1;
    }
    return true;
}

CFStringRef CFStringCreateWithCString(const char* utf8) {
    if (!utf8) return nullptr;
    return CFStringCreateWithBytes(utf8, static_cast<CFIndex>(std::strlen(utf8)));
}

CFStringRef CFStringCreateWithBytes(const void* bytes, CFIndex length) {
    if (length < 0 || (!bytes && length > 0)) return nullptr;
    auto* p = static_cast<const unsigned char*>(bytes);
    if (!isValidUtf8(p, static_cast<size_t>(length))) return nullptr;
    return new CFString(std::string(reinterpret_cast<const char*>(p), static_cast<size_t>(length)));
}

CFIndex CFStringGetLength(CFStringRef string) {
    if (!cfCast<CFString>(string, kTypeString)) return 0;
    CFIndex units = 0;
    for (unsigned char c : string->text) {
        if ((c & 0xC0) == 0x80) continue;  // continuation byte
        units += (c >= 0xF0) ? 2 : 1;      // outside the BMP: a surrogate pair
    }
    return units;
}

Boolean CFStringGetCString(CFStringRef string, char* buffer, CFIndex bufferSize) {
    if (!cfCast<CFString>(string, kTypeString) || !buffer || bufferSize <= 0) return false;
    const std::string& t = string->text;
    if (static_cast<CFIndex>(t.size()) + 1 > bufferSize) return false;
    std::memcpy(buffer, t.data(), t.size());
    buffer[t.size()] = '\0';
    return true;
}

const std::string& CFStringGetStdString(CFStringRef string) {
    static const std::string empty;
    return cfCast<CFString>(string, kTypeString) ? string->text : empty;
}

// ---- numbers

CFNumberRef CFNumberCreate(CFNumberType type, const void* valuePtr) {
    if (!valuePtr) return nullptr;
    switch (type) {
    case kCFNumberSInt32Type:
    case kCFNumberIntType: {
        int32_t v;
        std::memcpy(&v, valuePtr, sizeof v);
        return new CFNumber(kCFNumberSInt32Type, v, v);
    }
    case kCFNumberSInt64Type:
    case kCFNumberLongLongType: {
        int64_t v;
        std::memcpy(&v, valuePtr, sizeof v);
        return new CFNumber(kCFNumberSInt64Type, v, static_cast<double>(v));
    }
    case kCFNumberFloat32Type: {
        float v;
        std::memcpy(&v, valuePtr, sizeof v);
        return new CFNumber(kCFNumberFloat32Type, static_cast<int64_t>(v), v);
    }
    case kCFNumberFloat64Type:
    case kCFNumberDoubleType: {
        double v;
        std::memcpy(&v, valuePtr, sizeof v);
        int64_t i = (std::isfinite(v) && std::fabs(v) < 9.2e18) ? static_cast<int64_t>(v) : 0;
        return new CFNumber(kCFNumberFloat64Type, i, v);
    }
    }
    return nullptr;
}

Boolean CFNumberGetValue(CFNumberRef number, CFNumberType type, void* valuePtr) {
    if (!cfCast<CFNumber>(number, kTypeNumber) || !valuePtr) return false;
    const bool isFloat = number->isFloat();
    switch (type) {
    case kCFNumberSInt32Type:
    case kCFNumberIntType: {
        int64_t wide = number->integer;
        int32_t v = static_cast<int32_t>(wide);
        std::memcpy(valuePtr, &v, sizeof v);
        return !isFloat && wide >= std::numeric_limits<int32_t>::min() && wide <= std::numeric_limits<int32_t>::max();
    }
    case kCFNumberSInt64Type:
    case kCFNumberLongLongType: {
        int64_t v = number->integer;
        std::memcpy(valuePtr, &v, sizeof v);
        return !isFloat || number->real == static_cast<double>(v);
    }
    case kCFNumberFloat32Type: {
        float v = static_cast<float>(number->real);
        std::memcpy(valuePtr, &v, sizeof v);
        return static_cast<double>(v) == number->real;
    }
    case kCFNumberFloat64Type:
    case kCFNumberDoubleType: {
        double v = number->real;
        std::memcpy(valuePtr, &v, sizeof v);
        return true;
    }
    }
    return false;
}

Boolean CFNumberIsFloatType(CFNumberRef number) { return cfCast<CFNumber>(number, kTypeNumber) && number->isFloat(); }

CFNumberType CFNumberGetType(CFNumberRef number) {
    return cfCast<CFNumber>(number, kTypeNumber) ? number->type : kCFNumberSInt64Type;
}

Boolean CFBooleanGetValue(CFBooleanRef boolean) { return cfCast<CFBoolean>(boolean, kTypeBoolean) && boolean->value; }

// ---- data and dates

CFDataRef CFDataCreate(const uint8_t* bytes, CFIndex length) {
    if (length < 0 || (!bytes && length > 0)) return nullptr;
    return new CFData(std::vector<uint8_t>(bytes, bytes + length));
}

const uint8_t* CFDataGetBytePtr(CFDataRef data) {
    return cfCast<CFData>(data, kTypeData) ? data->bytes.data() : nullptr;
}

CFIndex CFDataGetLength(CFDataRef data) {
    return cfCast<CFData>(data, kTypeData) ? static_cast<CFIndex>(data->bytes.size()) : 0;
}

CFDateRef CFDateCreate(CFAbsoluteTime at) { return new CFDate(at); }

CFAbsoluteTime CFDateGetAbsoluteTime(CFDateRef date) { return cfCast<CFDate>(date, kTypeDate) ? date->at : 0; }

// ---- arrays

CFArrayRef CFArrayCreate(const CFTypeRef* values, CFIndex count) {
    auto* a = new CFArray();
    for (CFIndex i = 0; i < count; ++i) {
        if (!values[i]) continue;
        a->values.push_back(CFRetain(values[i]));
    }
    return a;
}

CFMutableArrayRef CFArrayCreateMutable() { return new CFArray(); }

void CFArrayAppendValue(CFMutableArrayRef array, CFTypeRef value) {
    if (!array || !value || array->typeID() != kTypeArray) return;
    array->values.push_back(CFRetain(value));
}

CFIndex CFArrayGetCount(CFArrayRef array) {
    return cfCast<CFArray>(array, kTypeArray) ? static_cast<CFIndex>(array->values.size()) : 0;
}

CFTypeRef CFArrayGetValueAtIndex(CFArrayRef array, CFIndex index) {
    if (!cfCast<CFArray>(array, kTypeArray) || index < 0 || index >= static_cast<CFIndex>(array->values.size()))
        return nullptr;
    return array->values[static_cast<size_t>(index)];
}

// ---- dictionaries

CFMutableDictionaryRef CFDictionaryCreateMutable() { return new CFDictionary(); }

void CFDictionarySetValue(CFMutableDictionaryRef dict, const char* key, CFTypeRef value) {
    if (!dict || !key || !value || dict->typeID() != kTypeDictionary) return;
    CFRetain(value);
    auto it = dict->values.find(key);
    if (it != dict->values.end()) {
        CFRelease(it->second.value);
        it->second.value = value;
        return;
    }
    dict->values.emplace(key, CFDictionary::Entry{new CFString(key), value});
}

void CFDictionarySetValue(CFMutableDictionaryRef dict, CFStringRef key, CFTypeRef value) {
    if (!cfCast<CFString>(key, kTypeString)) return;
    CFDictionarySetValue(dict, key->text.c_str(), value);
}

void CFDictionaryRemoveValue(CFMutableDictionaryRef dict, const char* key) {
    if (!dict || !key || dict->typeID() != kTypeDictionary) return;
    auto it = dict->values.find(key);
    if (it == dict->values.end()) return;
    CFRelease(it->second.key);
    CFRelease(it->second.value);
    dict->values.erase(it);
}

CFTypeRef CFDictionaryGetValue(CFDictionaryRef dict, const char* key) {
    if (!cfCast<CFDictionary>(dict, kTypeDictionary) || !key) return nullptr;
    auto it = dict->values.find(key);
    return it == dict->values.end() ? nullptr : it->second.value;
}

CFTypeRef CFDictionaryGetValue(CFDictionaryRef dict, CFStringRef key) {
    if (!cfCast<CFString>(key, kTypeString)) return nullptr;
    return CFDictionaryGetValue(dict, key->text.c_str());
}

CFIndex CFDictionaryGetCount(CFDictionaryRef dict) {
    return cfCast<CFDictionary>(dict, kTypeDictionary) ? static_cast<CFIndex>(dict->values.size()) : 0;
}

void CFDictionaryGetKeysAndValues(CFDictionaryRef dict, CFTypeRef* keys, CFTypeRef* values) {
    if (!cfCast<CFDictionary>(dict, kTypeDictionary)) return;
    size_t i = 0;
    for (auto& [text, entry] : dict->values) {
        if (keys) keys[i] = entry.key;
        if (values) values[i] = entry.value;
        ++i;
    }
}

// ---- equality and description

Boolean CFEqual(CFTypeRef a, CFTypeRef b) {
    if (a == b) return true;
    if (!a || !b || a->typeID() != b->typeID()) return false;
    switch (a->typeID()) {
    case kTypeString: return static_cast<const CFString*>(a)->text == static_cast<const CFString*>(b)->text;
    case kTypeNumber: {
        auto* x = static_cast<const CFNumber*>(a);
        auto* y = static_cast<const CFNumber*>(b);
        return (x->isFloat() || y->isFloat()) ? x->real == y->real : x->integer == y->integer;
    }
    case kTypeBoolean: return static_cast<const CFBoolean*>(a)->value == static_cast<const CFBoolean*>(b)->value;
    case kTypeData: return static_cast<const CFData*>(a)->bytes == static_cast<const CFData*>(b)->bytes;
    case kTypeDate: return static_cast<const CFDate*>(a)->at == static_cast<const CFDate*>(b)->at;
    case kTypeNull: return true;
    case kTypeArray: {
        auto& x = static_cast<const CFArray*>(a)->values;
        auto& y = static_cast<const CFArray*>(b)->values;
        if (x.size() != y.size()) return false;
        for (size_t i = 0; i < x.size(); ++i)
            if (!CFEqual(x[i], y[i])) return false;
        return true;
    }
    case kTypeDictionary: {
        auto& x = static_cast<const CFDictionary*>(a)->values;
        auto& y = static_cast<const CFDictionary*>(b)->values;
        if (x.size() != y.size()) return false;
        for (auto xi = x.begin(), yi = y.begin(); xi != x.end(); ++xi, ++yi)
            if (xi->first != yi->first || !CFEqual(xi->second.value, yi->second.value)) return false;
        return true;
    }
    }
    return false;
}

static std::string numberText(const CFNumber* n) {
    if (!n->isFloat()) return std::to_string(n->integer);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.17g", n->real);
    return buf;
}

static std::string quotedIfNeeded(const std::string& s) {
    if (s.empty()) return "\"\"";
    for (unsigned char c : s)
        if (!(std::isalnum(c) || c == '_' || c == '.' || c == '/' || c == '-' || c >= 0x80)) {
            std::string out = "\"";
            for (char ch : s) {
                if (ch == '"' || ch == '\\') out += '\\';
                out += ch;
            }
            return out + "\"";
        }
    return s;
}

static void describe(CFTypeRef o, int depth, bool top, std::string& out) {
    const std::string indent(static_cast<size_t>(depth) * 4, ' ');
    switch (o ? o->typeID() : 0) {
    case kTypeString: {
        const auto& t = static_cast<const CFString*>(o)->text;
        out += top ? t : quotedIfNeeded(t);
        break;
    }
    case kTypeNumber: out += numberText(static_cast<const CFNumber*>(o)); break;
    case kTypeBoolean: out += static_cast<const CFBoolean*>(o)->value ? "true" : "false"; break;
    case kTypeNull: out += "<null>"; break;
    case kTypeData: {
        static const char* hex = "0123456789abcdef";
        const auto& bytes = static_cast<const CFData*>(o)->bytes;
        out += '<';
        for (size_t i = 0; i < bytes.size(); ++i) {
            if (i && i % 4 == 0) out += ' ';
            out += hex[bytes[i] >> 4];
            out += hex[bytes[i] & 15];
        }
        out += '>';
        break;
    }
    case kTypeDate: {
        time_t t =
            static_cast<time_t>(std::floor(static_cast<const CFDate*>(o)->at + kCFAbsoluteTimeIntervalSince1970));
        struct tm tm {};
        gmtime_r(&t, &tm);
        char buf[64];
        std::strftime(buf, sizeof buf, "%Y-%m-%d %H:%M:%S +0000", &tm);
        out += buf;
        break;
    }
    case kTypeArray: {
        const auto& values = static_cast<const CFArray*>(o)->values;
        out += "(";
        for (size_t i = 0; i < values.size(); ++i) {
            out += "\n" + indent + "    ";
            describe(values[i], depth + 1, false, out);
            if (i + 1 < values.size()) out += ",";
        }
        out += values.empty() ? ")" : "\n" + indent + ")";
        break;
    }
    case kTypeDictionary: {
        const auto& values = static_cast<const CFDictionary*>(o)->values;
        out += "{";
        for (auto& [key, entry] : values) {
            out += "\n" + indent + "    " + quotedIfNeeded(key) + " = ";
            describe(entry.value, depth + 1, false, out);
            out += ";";
        }
        out += values.empty() ? "}" : "\n" + indent + "}";
        break;
    }
    default: break;
    }
}

CFStringRef CFCopyDescription(CFTypeRef object) {
    if (!object) return nullptr;
    std::string out;
    describe(object, 0, true, out);
    return new CFString(std::move(out));
}
