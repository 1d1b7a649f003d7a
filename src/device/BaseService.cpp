#include "device/BaseService.h"

#include "device/DeviceManager.h"

#include <arpa/inet.h>
#include <cerrno>
#include <memory>
#include <sys/socket.h>
#include <unistd.h>

namespace amd {
namespace {

bool sendAll(int fd, const void* bytes, size_t length) {
    auto* p = static_cast<const char*>(bytes);
    while (length > 0) {
        // A peer that has gone must give an error, never SIGPIPE.
        ssize_t sent = ::send(fd, p, length, MSG_NOSIGNAL);
        if (sent < 0 && errno == EINTR) continue;
        if (sent <= 0) return false;
        p += sent;
        length -= static_cast<size_t>(sent);
    }
    return true;
}

bool receiveAll(int fd, void* bytes, size_t length) {
    auto* p = static_cast<char*>(bytes);
    while (length > 0) {
        ssize_t got = ::recv(fd, p, length, MSG_WAITALL);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return false;  // closed or failed
        p += got;
        length -= static_cast<size_t>(got);
    }
    return true;
}

}  // namespace

BaseService::~BaseService() {
    delete device;
    if (socket != 0) ::close(socket);
}

int BaseService::Start(int index) {
    AMDeviceRef handle = nullptr;
    if (!DeviceManager::Instance()->WithItem(index,
                                             [&](DeviceItem& item) {
                                                 if (item.device) handle = item.device->Handle();
                                             }) ||
        !handle)
        return 1;
    deviceIndex = index;
    delete device;
    device = new BaseDevice(handle);
    return 0;
}

int BaseService::StartService(const char* serviceName) {
    if (!device) return -1;
    if (socket != 0) {  // a second start replaces the first service
        ::close(socket);
        socket = 0;
    }
    CFHolder<CFStringRef> name(CFStringCreateWithCString(serviceName));
    return device->Lockdown([&](AMDeviceRef handle) {
        int fd = 0;
        int status = AMDeviceStartService(handle, name.get(), &fd);
        if (status == 0) socket = fd;
        return status;
    });
}

int BaseService::SendPlist(CFDictionaryRef message) {
    CFHolder<CFDataRef> xml(CFPropertyListCreateXMLData(message));
    if (!xml || socket == 0) return 0;
    CFIndex length = CFDataGetLength(xml.get());
    if (length <= 0 || static_cast<uint64_t>(length) > kMaxPlistMessageLength) return 0;
    uint32_t header = htonl(static_cast<uint32_t>(length));
    if (!sendAll(socket, &header, sizeof header)) return 0;
    if (!sendAll(socket, CFDataGetBytePtr(xml.get()), static_cast<size_t>(length))) return 0;
    return static_cast<int>(header);
}

CFPropertyListRef BaseService::ReceivePlist() {
    if (socket == 0) return nullptr;
    uint32_t header = 0;
    if (!receiveAll(socket, &header, sizeof header)) return nullptr;
    uint32_t length = ntohl(header);
    if (length == 0 || length > kMaxPlistMessageLength) return nullptr;
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[length]);
    if (!buffer) return nullptr;
    if (!receiveAll(socket, buffer.get(), length)) return nullptr;
    return CFPropertyListCreateWithBytes(buffer.get(), length, nullptr);
}

}  // namespace amd
