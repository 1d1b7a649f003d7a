// The root of every per-device service object: finds its device by index, opens a named
// device service, and exchanges property-list messages on the service socket (a 4-byte
// big-endian length, then an XML property list).
#pragma once

#include "device/BaseDevice.h"
#include "platform/CoreFoundation.h"

#include <cstdint>

namespace amd {

// The longest message ReceivePlist accepts.
inline constexpr uint32_t kMaxPlistMessageLength = 64u << 20;

class BaseService {
public:
    BaseService() = default;
    BaseService(const BaseService&) = delete;
    BaseService& operator=(const BaseService&) = delete;
    virtual ~BaseService();

    // Binds the service to an attached device: 1 when no device has that index, else 0.
    virtual int Start(int deviceIndex);
    // Starts a device service inside the lockdown bracket; its socket is kept.
    int StartService(const char* serviceName);
    // Sends one framed message. Non-zero (the header word as sent) once every byte went out;
    // 0 when the message has no XML form or the socket did not take it all.
    int SendPlist(CFDictionaryRef message);
    // One framed message, owned by the caller; NULL when nothing usable arrived.
    CFPropertyListRef ReceivePlist();

protected:
    BaseDevice* device = nullptr;  // own wrapper of the device handle
    int socket = 0;                // 0: none
    int deviceIndex = -1;
};

}  // namespace amd
