#include "device/SBService.h"

namespace amd {

SBService::~SBService() { CFRelease(lastReply); }

int SBService::Start(int index) {
    int status = BaseService::Start(index);
    if (status == 0) status = StartService("com.apple.springboardservices");
    return status;
}

int SBService::getIconPNGData(CFStringRef bundleId, const uint8_t** bytes, int64_t* length) {
    if (bytes) *bytes = nullptr;
    if (length) *length = 0;
    CFRelease(lastReply);
    lastReply = nullptr;
    CFMutableDictionaryRef request = CFDictionaryCreateMutable();
    CFHolder<CFStringRef> command(CFStringCreateWithCString("getIconPNGData"));
    CFDictionarySetValue(request, "command", command.get());
    if (bundleId) CFDictionarySetValue(request, "bundleId", bundleId);
    int sent = SendPlist(request);
    CFRelease(request);
    if (sent == 0) return 1;
    lastReply = ReceivePlist();
    if (!lastReply || CFGetTypeID(lastReply) != CFDictionaryGetTypeID()) return 2;
    CFTypeRef png = CFDictionaryGetValue(static_cast<CFDictionaryRef>(lastReply), "pngData");
    if (!png || CFGetTypeID(png) != CFDataGetTypeID()) return 2;
    if (bytes) *bytes = CFDataGetBytePtr(static_cast<CFDataRef>(png));
    if (length) *length = CFDataGetLength(static_cast<CFDataRef>(png));
    return 0;
}

CFPropertyListRef SBService::getIconState() {
    CFMutableDictionaryRef request = CFDictionaryCreateMutable();
    CFHolder<CFStringRef> command(CFStringCreateWithCString("getIconState"));
    CFDictionarySetValue(request, "command", command.get());
    int sent = SendPlist(request);
    CFRelease(request);
    return sent != 0 ? ReceivePlist() : nullptr;
}

}  // namespace amd
