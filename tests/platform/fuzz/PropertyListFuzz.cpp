// libFuzzer target: any bytes as a property list (XML or binary); a value that parses is
// described, written in both formats and read again. Inputs starting with 'D' are wrapped in
// up to 2047 nested arrays first (XML or binary by the next byte): nothing deeper than the
// limit may come back, and nothing may run out of stack on the way.
#include "platform/CoreFoundation.h"

#include <cstdlib>
#include <string>
#include <vector>

namespace {

int depthOf(CFTypeRef value, int depth) {
    if (depth > kCFPropertyListMaxDepth) std::abort();  // deeper than the parser may ever hand out
    std::vector<CFTypeRef> inside;
    if (CFGetTypeID(value) == CFArrayGetTypeID()) {
        auto array = static_cast<CFArrayRef>(value);
        for (CFIndex i = 0; i < CFArrayGetCount(array); ++i) inside.push_back(CFArrayGetValueAtIndex(array, i));
    } else if (CFGetTypeID(value) == CFDictionaryGetTypeID()) {
        auto dict = static_cast<CFDictionaryRef>(value);
        inside.resize(static_cast<size_t>(CFDictionaryGetCount(dict)));
        CFDictionaryGetKeysAndValues(dict, nullptr, inside.data());
    }
    int deepest = depth;
    for (CFTypeRef item : inside) {
        if (CFGetTypeID(item) != CFArrayGetTypeID() && CFGetTypeID(item) != CFDictionaryGetTypeID()) continue;
        const int inner = depthOf(item, depth + 1);
        deepest = inner > deepest ? inner : deepest;
    }
    return deepest;
}

// The input inside depth arrays, as an XML list or (the input as one string) a binary one.
std::string nested(const uint8_t* data, size_t size, int depth, bool binary) {
    if (!binary) {
        std::string text = "<plist version=\"1.0\">";
        for (int i = 0; i < depth; ++i) text += "<array>";
        text.append(reinterpret_cast<const char*>(data), size);
        for (int i = 0; i < depth; ++i) text += "</array>";
        return text + "</plist>";
    }
    CFHolder<CFTypeRef> value(
        CFStringCreateWithCString(std::string(reinterpret_cast<const char*>(data), size).c_str()));
    if (!value) value.reset(CFStringCreateWithCString(""));
    for (int i = 0; i < depth; ++i) {
        CFHolder<CFMutableArrayRef> array(CFArrayCreateMutable());
        CFArrayAppendValue(array.get(), value.get());
        value.reset(array.release());
    }
    CFHolder<CFDataRef> bytes(CFPropertyListCreateData(value.get(), kCFPropertyListBinaryFormat_v1_0));
    return bytes ? std::string(reinterpret_cast<const char*>(CFDataGetBytePtr(bytes.get())),
                               static_cast<size_t>(CFDataGetLength(bytes.get())))
                 : std::string();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string wrapped;
    if (size >= 4 && data[0] == 'D') {
        const int depth = ((data[2] << 8) | data[3]) % 2048;
        wrapped = nested(data + 4, size - 4, depth, data[1] & 1);
        data = reinterpret_cast<const uint8_t*>(wrapped.data());
        size = wrapped.size();
    }
    CFHolder<CFPropertyListRef> value(CFPropertyListCreateWithBytes(data, size, nullptr));
    if (!value) return 0;
    depthOf(value.get(), 1);
    CFHolder<CFStringRef> description(CFCopyDescription(value.get()));
    for (auto format : {kCFPropertyListXMLFormat_v1_0, kCFPropertyListBinaryFormat_v1_0}) {
        CFHolder<CFDataRef> written(CFPropertyListCreateData(value.get(), format));
        if (!written) continue;
        CFHolder<CFPropertyListRef> again(CFPropertyListCreateWithData(written.get(), nullptr));
    }
    return 0;
}
