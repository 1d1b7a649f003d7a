// libFuzzer target: any bytes as a property list (XML or binary); a value that parses is
// described, written in both formats and read again.
#include "platform/CoreFoundation.h"


extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    CFHolder<CFPropertyListRef> value(CFPropertyListCreateWithBytes(data, size, nullptr));
    if (!value)
        return 0;
    CFHolder<CFStringRef> description(CFCopyDescription(value.get()));
    for (auto format : {kCFPropertyListXMLFormat_v1_0, kCFPropertyListBinaryFormat_v1_0}) {
        CFHolder<CFDataRef> written(CFPropertyListCreateData(value.get(), format));
        if (!written)
            continue;
        CFHolder<CFPropertyListRef> again(CFPropertyListCreateWithData(written.get(), nullptr));
    }
    return 0;
}
