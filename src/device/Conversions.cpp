#include "device/Conversions.h"

#include "platform/LogCategories.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>

namespace amd {

void Diagnostic(const char* format, ...) {
    va_list args, measure;
    va_start(args, format);
    va_copy(measure, args);
    const int length = std::vsnprintf(nullptr, 0, format, measure);
    va_end(measure);
    std::string line(length > 0 ? static_cast<size_t>(length) : 0, '\0');
    if (length > 0) std::vsnprintf(line.data(), line.size() + 1, format, args);
    va_end(args);
    if (!line.empty() && line.back() == '\n') line.pop_back();  // the log adds its own line end
    qCInfo(lcDevice, "%s", line.c_str());
}

std::string cfstring_to_string(CFStringRef string) {
    if (!string || CFGetTypeID(string) != CFStringGetTypeID()) {
        Diagnostic("* CFStringGetCString\n");
        return {};
    }
    // Every UTF-16 unit takes at most three UTF-8 bytes.
    CFIndex size = 3 * CFStringGetLength(string) + 1;
    std::unique_ptr<char[]> buffer(new char[size]);
    if (!CFStringGetCString(string, buffer.get(), size)) {
        Diagnostic("* CFStringGetCString\n");
        return {};
    }
    return std::string(buffer.get());  // cut at the first NUL
}

std::string cftype_to_string(CFTypeRef value) {
    if (!value) return {};
    if (CFGetTypeID(value) == CFStringGetTypeID()) return cfstring_to_string(static_cast<CFStringRef>(value));
    CFHolder<CFStringRef> description(CFCopyDescription(value));
    if (!description) return {};
    return cfstring_to_string(description.get());
}

int64_t cfnumber_to_int64(CFTypeRef number) {
    if (!number || CFGetTypeID(number) != CFNumberGetTypeID()) return 0;
    int64_t value = 0;
    CFNumberGetValue(static_cast<CFNumberRef>(number), kCFNumberSInt64Type, &value);
    return value;
}

CFNumberRef int64_to_cfnumber(int64_t value) { return CFNumberCreate(kCFNumberSInt64Type, &value); }

CFNumberRef float32_to_cfnumber(float value) { return CFNumberCreate(kCFNumberFloat32Type, &value); }

std::map<std::string, CFTypeRef> cfdictionary_to_map(CFTypeRef dictionary) {
    std::map<std::string, CFTypeRef> map;
    if (!dictionary || CFGetTypeID(dictionary) != CFDictionaryGetTypeID()) return map;
    auto dict = static_cast<CFDictionaryRef>(dictionary);
    CFIndex count = CFDictionaryGetCount(dict);
    std::vector<CFTypeRef> keys(count), values(count);
    CFDictionaryGetKeysAndValues(dict, keys.data(), values.data());
    for (CFIndex i = 0; i < count; ++i) map[cfstring_to_string(static_cast<CFStringRef>(keys[i]))] = values[i];
    return map;
}

std::vector<CFTypeRef> cfarray_to_vector(CFTypeRef array) {
    std::vector<CFTypeRef> vector;
    if (!array || CFGetTypeID(array) != CFArrayGetTypeID()) return vector;
    auto a = static_cast<CFArrayRef>(array);
    for (CFIndex i = 0; i < CFArrayGetCount(a); ++i) vector.push_back(CFArrayGetValueAtIndex(a, i));
    return vector;
}

CFStringRef string_to_cfstring(const std::string& string) { return CFStringCreateWithCString(string.c_str()); }

CFMutableDictionaryRef map_to_cfdictionary(const std::map<std::string, CFTypeRef>& map) {
    CFMutableDictionaryRef dict = CFDictionaryCreateMutable();
    for (const auto& [key, value] : map) {
        CFHolder<CFStringRef> k(string_to_cfstring(key));
        CFDictionarySetValue(dict, k.get(), value);
    }
    return dict;
}

CFMutableArrayRef vector_to_cfarray(const std::vector<CFTypeRef>& vector) {
    CFMutableArrayRef array = CFArrayCreateMutable();
    for (CFTypeRef value : vector) CFArrayAppendValue(array, value);
    return array;
}

std::string uuid_bytes_to_string(const uint8_t bytes[16]) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) text += '-';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0xF];
    }
    return text;
}

}  // namespace amd
