#include "device/AirTrafficHostHelper.h"

#include "device/AfcService.h"
#include "device/BaseInfo.h"
#include "device/Conversions.h"
#include "device/DeviceManager.h"

#include <cstdio>
#include <cstring>
#include <system_error>

namespace amd {
namespace {

constexpr const char* kFallbackLibraryId = "4A7C2E91B05D3F68";

uint64_t littleEndian64(const uint8_t* p) {
    uint64_t value = 0;
    for (int i = 7; i >= 0; --i) value = (value << 8) | p[i];
    return value;
}

}  // namespace

AirTrafficHostHelper::~AirTrafficHostHelper() {
    if (ATHostConnectionRef open = connection.exchange(nullptr)) ATHostConnectionDestroy(open);
    if (stop) {
        stop->release();
        if (readerThread.joinable()) readerThread.join();
        stop.reset();
    }
}

CFStringRef AirTrafficHostHelper::LibraryId(int deviceIndex) {
    std::vector<uint8_t> prefs;
    {
        AfcService afc;
        if (afc.Start(deviceIndex) == 0) prefs = afc.ReadFile("/iTunes_Control/iTunes/iTunesPrefs");
    }
    if (prefs.size() < 104) return CFStringCreateWithCString(kFallbackLibraryId);
    char text[17];
    std::snprintf(text, sizeof text, "%llX",
                  static_cast<unsigned long long>(littleEndian64(&prefs[20]) ^ littleEndian64(&prefs[96])));
    return CFStringCreateWithCString(text);
}

int AirTrafficHostHelper::Connect(CFStringRef udid, int index) {
    if (!udid) return 1;
    deviceIndex = index;
    CFHolder<CFStringRef> library(LibraryId(index));
    ATHostConnectionRef made = ATHostConnectionCreateWithLibrary(library.get(), udid, 0);
    if (!made) {
        Diagnostic("*** ATHostConnectionCreateWithLibrary failed(%s)\n", cftype_to_string(library.get()).c_str());
        return 1;
    }
    if (ATHostConnectionRef previous = connection.exchange(made)) ATHostConnectionDestroy(previous);
    return 0;
}

int AirTrafficHostHelper::StartReader() {
    if (stop) return 0;
    stop = std::make_unique<std::binary_semaphore>(0);
    try {
        readerThread = std::thread(&AirTrafficHostHelper::readMessages, this);
    } catch (const std::system_error& error) {
        stop.reset();
        return error.code().value();
    }
    return 0;
}

int AirTrafficHostHelper::HandleMessage(CFTypeRef command, CFTypeRef params) {
    if (!command || CFGetTypeID(command) != CFStringGetTypeID() ||
        CFStringGetStdString(static_cast<CFStringRef>(command)) != "AssetMetrics")
        return 0;
    if (!params || CFGetTypeID(params) != CFDictionaryGetTypeID()) return 0;
    // Under the manager's lock, so the item and its BaseInfo cannot go meanwhile.
    DeviceManager::Instance()->WithItem(deviceIndex, [&](DeviceItem& item) {
        if (item.info) item.info->SetAssetMetrics(static_cast<CFDictionaryRef>(params));
    });
    return 0;
}

void AirTrafficHostHelper::readMessages() {
    while (true) {
        if (stop->try_acquire()) return;
        ATHostConnectionRef open = connection.load();
        if (!open) return;
        CFHolder<CFDictionaryRef> message(ATHostConnectionReadMessage(open));
        if (!message) return;
        HandleMessage(CFDictionaryGetValue(message.get(), "Command"), CFDictionaryGetValue(message.get(), "Params"));
    }
}

}  // namespace amd
