// Property-list reading and writing, XML and binary, through libplist.
#include "platform/CoreFoundation.h"
#include "platform/FileOpen.h"
#include "platform/PropertyListDepth.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <memory>
#include <plist/plist.h>
#include <string>

namespace {

struct PlistDeleter {
    void operator()(plist_t node) const {
        if (node) plist_free(node);
    }
};
using PlistPtr = std::unique_ptr<void, PlistDeleter>;

plist_t toPlist(CFTypeRef o) {
    switch (CFGetTypeID(o)) {
    case kTypeString: return plist_new_string(static_cast<const CFString*>(o)->text.c_str());
    case kTypeNumber: {
        auto* n = static_cast<const CFNumber*>(o);
        return n->isFloat() ? plist_new_real(n->real) : plist_new_uint(static_cast<uint64_t>(n->integer));
    }
    case kTypeBoolean: return plist_new_bool(static_cast<const CFBoolean*>(o)->value ? 1 : 0);
    case kTypeData: {
        const auto& b = static_cast<const CFData*>(o)->bytes;
        return plist_new_data(reinterpret_cast<const char*>(b.data()), b.size());
    }
    case kTypeDate: {
        double at = static_cast<const CFDate*>(o)->at;
        double whole = std::floor(at);
        return plist_new_date(static_cast<int32_t>(whole), static_cast<int32_t>((at - whole) * 1e6));
    }
    case kTypeArray: {
        PlistPtr array(plist_new_array());
        for (CFTypeRef v : static_cast<const CFArray*>(o)->values) {
            plist_t item = toPlist(v);
            if (!item) return nullptr;
            plist_array_append_item(array.get(), item);
        }
        return array.release();
    }
    case kTypeDictionary: {
        PlistPtr dict(plist_new_dict());
        for (auto& [key, entry] : static_cast<const CFDictionary*>(o)->values) {
            plist_t item = toPlist(entry.value);
            if (!item) return nullptr;
            plist_dict_set_item(dict.get(), key.c_str(), item);
        }
        return dict.release();
    }
    default: return nullptr;  // the null singleton has no property-list form
    }
}

bool isContainer(plist_t node) {
    const plist_type type = plist_get_node_type(node);
    return type == PLIST_ARRAY || type == PLIST_DICT;
}

CFTypeRef releasedNull(CFTypeRef partial) {
    CFRelease(partial);
    return nullptr;
}

// Converts one node and what it holds; nullptr for the whole value once a node lies deeper
// than the limit (the depth is checked before parsing too, so this only guards the recursion).
CFTypeRef fromPlist(plist_t node, int depth) {
    if (depth > kCFPropertyListMaxDepth && isContainer(node)) return nullptr;
    switch (plist_get_node_type(node)) {
    case PLIST_STRING:
    case PLIST_KEY: {
        char* s = nullptr;
        if (plist_get_node_type(node) == PLIST_KEY)
            plist_get_key_val(node, &s);
        else
            plist_get_string_val(node, &s);
        CFStringRef str = CFStringCreateWithCString(s ? s : "");
        std::free(s);
        return str ? str : CFStringCreateWithCString("");
    }
    case PLIST_UINT: {
        uint64_t v = 0;
        plist_get_uint_val(node, &v);
        int64_t i = static_cast<int64_t>(v);
        return CFNumberCreate(kCFNumberSInt64Type, &i);
    }
    case PLIST_REAL: {
        double v = 0;
        plist_get_real_val(node, &v);
        return CFNumberCreate(kCFNumberFloat64Type, &v);
    }
    case PLIST_BOOLEAN: {
        uint8_t v = 0;
        plist_get_bool_val(node, &v);
        return CFRetain(v ? static_cast<CFTypeRef>(kCFBooleanTrue) : kCFBooleanFalse);
    }
    case PLIST_DATA: {
        char* bytes = nullptr;
        uint64_t length = 0;
        plist_get_data_val(node, &bytes, &length);
        CFDataRef data = CFDataCreate(reinterpret_cast<const uint8_t*>(bytes), static_cast<CFIndex>(length));
        std::free(bytes);
        return data;
    }
    case PLIST_DATE: {
        int32_t sec = 0, usec = 0;
        plist_get_date_val(node, &sec, &usec);
        return CFDateCreate(sec + usec / 1e6);
    }
    case PLIST_ARRAY: {
        CFMutableArrayRef array = CFArrayCreateMutable();
        uint32_t n = plist_array_get_size(node);
        for (uint32_t i = 0; i < n; ++i) {
            plist_t child = plist_array_get_item(node, i);
            CFHolder<CFTypeRef> item(fromPlist(child, depth + 1));
            if (item)
                CFArrayAppendValue(array, item.get());
            else if (isContainer(child))
                return releasedNull(array);
        }
        return array;
    }
    case PLIST_DICT: {
        CFMutableDictionaryRef dict = CFDictionaryCreateMutable();
        plist_dict_iter it = nullptr;
        plist_dict_new_iter(node, &it);
        for (;;) {
            char* key = nullptr;
            plist_t value = nullptr;
            plist_dict_next_item(node, it, &key, &value);
            if (!value) {
                std::free(key);
                break;
            }
            CFHolder<CFTypeRef> item(fromPlist(value, depth + 1));
            CFHolder<CFStringRef> keyText(key ? CFStringCreateWithCString(key) : nullptr);  // NULL unless UTF-8
            if (item && keyText) CFDictionarySetValue(dict, keyText.get(), item.get());
            std::free(key);
            if (!item && isContainer(value)) {
                std::free(it);
                return releasedNull(dict);
            }
        }
        std::free(it);
        return dict;
    }
    default: return nullptr;
    }
}

}  // namespace

CFDataRef CFPropertyListCreateData(CFPropertyListRef plist, CFPropertyListFormat format) {
    PlistPtr node(toPlist(plist));
    if (!node) return nullptr;
    char* bytes = nullptr;
    uint32_t length = 0;
    if (format == kCFPropertyListBinaryFormat_v1_0)
        plist_to_bin(node.get(), &bytes, &length);
    else
        plist_to_xml(node.get(), &bytes, &length);
    if (!bytes) return nullptr;
    CFDataRef data = CFDataCreate(reinterpret_cast<const uint8_t*>(bytes), length);
    std::free(bytes);
    return data;
}

CFDataRef CFPropertyListCreateXMLData(CFPropertyListRef plist) {
    return CFPropertyListCreateData(plist, kCFPropertyListXMLFormat_v1_0);
}

namespace {

// libplist aborts the whole process (a failed assertion) when it hands out a string or key that
// holds a NUL character. XML cannot carry one legally, so XML holding a NUL byte or a character
// reference to 0 is refused before it is parsed.
bool xmlHasNulCharacter(const char* p, size_t n) {
    if (std::memchr(p, 0, n)) return true;
    for (const char* amp = static_cast<const char*>(std::memchr(p, '&', n)); amp;
         amp = static_cast<const char*>(std::memchr(amp + 1, '&', n - size_t(amp + 1 - p)))) {
        size_t i = size_t(amp - p) + 1;
        if (i >= n || p[i] != '#') continue;
        ++i;
        const bool hex = i < n && (p[i] == 'x' || p[i] == 'X');
        if (hex) ++i;
        bool digits = false, zero = true;
        for (; i < n &&
               (hex ? std::isxdigit(static_cast<unsigned char>(p[i])) : std::isdigit(static_cast<unsigned char>(p[i])));
             ++i) {
            digits = true;
            if (p[i] != '0') zero = false;
        }
        if (digits && zero) return true;
    }
    return false;
}

plist_t parseXml(const char* p, size_t n) {
    if (xmlHasNulCharacter(p, n)) return nullptr;
    plist_t node = nullptr;
    plist_from_xml(p, static_cast<uint32_t>(n), &node);
    return node;
}

// A binary list's strings carry explicit lengths and so may hold NUL characters too: it is
// passed through its XML form, where the same check applies.
plist_t parseBinary(const char* p, size_t n) {
    plist_t binary = nullptr;
    plist_from_bin(p, static_cast<uint32_t>(n), &binary);
    if (!binary) return nullptr;
    PlistPtr holder(binary);
    char* xml = nullptr;
    uint32_t xmlLength = 0;
    plist_to_xml(binary, &xml, &xmlLength);
    if (!xml) return nullptr;
    plist_t node = parseXml(xml, xmlLength);
    std::free(xml);
    return node;
}

}  // namespace

CFPropertyListRef CFPropertyListCreateWithBytes(const void* bytes, size_t length, CFPropertyListFormat* format,
                                                std::string* error) {
    auto fail = [&](const std::string& why) -> CFPropertyListRef {
        if (error) *error = why;
        return nullptr;
    };
    const std::string tooDeep = "nested deeper than " + std::to_string(kCFPropertyListMaxDepth) + " levels";
    if (!bytes || length == 0 || length > UINT32_MAX) return fail("is not a property list");
    const char* p = static_cast<const char*>(bytes);
    const bool binary = length >= 8 && plist_is_binary(p, static_cast<uint32_t>(length));
    // The property-list library recurses once per level while parsing and writing: the depth
    // is measured on the bytes first, before any recursion can run out of stack.
    const plistdepth::Verdict verdict = binary ? plistdepth::checkBinary(p, length, kCFPropertyListMaxDepth)
                                               : plistdepth::checkXml(p, length, kCFPropertyListMaxDepth);
    if (verdict == plistdepth::Verdict::tooDeep) return fail(tooDeep);
    if (verdict == plistdepth::Verdict::tooLarge) return fail("holds too many values");
    plist_t node = binary ? parseBinary(p, length) : parseXml(p, length);
    if (!node) return fail("is not a property list");
    PlistPtr holder(node);
    CFTypeRef value = fromPlist(node, 1);
    if (!value) return fail(tooDeep);
    if (format) *format = binary ? kCFPropertyListBinaryFormat_v1_0 : kCFPropertyListXMLFormat_v1_0;
    return value;
}

CFPropertyListRef CFPropertyListCreateWithData(CFDataRef data, CFPropertyListFormat* format) {
    return CFPropertyListCreateWithBytes(CFDataGetBytePtr(data), static_cast<size_t>(CFDataGetLength(data)), format);
}

CFPropertyListRef CFPropertyListCreateFromFile(const std::string& path, std::string* error, bool followLinks) {
    // Property lists of backups and devices are small; refuse anything absurd.
    std::string bytes;
    if (!files::readRegularFile(path, 256u << 20, &bytes, error, followLinks)) return nullptr;
    std::string why;
    CFPropertyListRef value = CFPropertyListCreateWithBytes(bytes.data(), bytes.size(), nullptr, &why);
    if (!value && error) *error = path + ": " + why;
    return value;
}

Boolean CFPropertyListWriteToFile(CFPropertyListRef plist, const std::string& path, CFPropertyListFormat format) {
    CFHolder<CFDataRef> data(CFPropertyListCreateData(plist, format));
    if (!data) return false;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(CFDataGetBytePtr(data.get())), CFDataGetLength(data.get()));
    return static_cast<bool>(out.flush());
}
