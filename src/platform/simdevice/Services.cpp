// Started services: each is a socket pair whose far end a thread of the simulator serves.
// AFC sockets only mark which area the AFC calls opened on them work in; the installation
// proxy and SpringBoard services answer framed property lists (a 4-byte big-endian length,
// then an XML property list).
#include "platform/FileOpen.h"
#include "platform/simdevice/SimDevice.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <dirent.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

namespace simdevice {
namespace {

constexpr uint32_t kMaxFrame = 64u << 20;

std::mutex& socketsMutex() {
    static auto* m = new std::mutex;
    return *m;
}
std::map<ino_t, std::shared_ptr<Service>>& sockets() {
    static auto* s = new std::map<ino_t, std::shared_ptr<Service>>;
    return *s;
}

bool readFully(int fd, void* buffer, size_t length) {
    auto* p = static_cast<char*>(buffer);
    while (length > 0) {
        ssize_t n = ::recv(fd, p, length, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

bool writeFully(int fd, const void* buffer, size_t length) {
    auto* p = static_cast<const char*>(buffer);
    while (length > 0) {
        ssize_t n = ::send(fd, p, length, MSG_NOSIGNAL);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        p += n;
        length -= static_cast<size_t>(n);
    }
    return true;
}

CFHolder<CFTypeRef> readFrame(int fd) {
    uint32_t header = 0;
    if (!readFully(fd, &header, 4)) return {};
    uint32_t length = ntohl(header);
    if (length == 0 || length > kMaxFrame) return {};
    std::string body(length, '\0');
    if (!readFully(fd, body.data(), length)) return {};
    return CFHolder<CFTypeRef>(CFPropertyListCreateWithBytes(body.data(), body.size(), nullptr));
}

bool writeFrame(int fd, CFTypeRef reply) {
    CFHolder<CFDataRef> xml(CFPropertyListCreateXMLData(reply));
    if (!xml) return false;
    uint32_t header = htonl(static_cast<uint32_t>(CFDataGetLength(xml.get())));
    return writeFully(fd, &header, 4) && writeFully(fd, CFDataGetBytePtr(xml.get()), CFDataGetLength(xml.get()));
}

std::string stringValue(CFTypeRef dict, const char* key) {
    if (!dict || CFGetTypeID(dict) != CFDictionaryGetTypeID()) return {};
    CFTypeRef v = CFDictionaryGetValue(static_cast<CFDictionaryRef>(dict), key);
    if (!v || CFGetTypeID(v) != CFStringGetTypeID()) return {};
    return CFStringGetStdString(static_cast<CFStringRef>(v));
}

void setString(CFMutableDictionaryRef dict, const char* key, const std::string& value) {
    CFHolder<CFStringRef> s(CFStringCreateWithCString(value.c_str()));
    CFDictionarySetValue(dict, key, s.get());
}

CFHolder<CFTypeRef> errorReply(const char* error) {
    CFMutableDictionaryRef reply = CFDictionaryCreateMutable();
    setString(reply, "Error", error);
    return CFHolder<CFTypeRef>(reply);
}

std::vector<std::string> appIds(const Device& device) {
    std::vector<std::string> ids;
    if (device.appsRoot.empty()) return ids;
    if (DIR* dir = ::opendir(device.appsRoot.c_str())) {
        while (dirent* e = ::readdir(dir)) {
            std::string name = e->d_name;
            if (name != "." && name != ".." && !device.appFolder(name).empty()) ids.push_back(name);
        }
        ::closedir(dir);
    }
    std::sort(ids.begin(), ids.end());
    return ids;
}

// An app icon larger than this is no icon.
constexpr size_t kIconLimit = 16u << 20;

CFHolder<CFTypeRef> springBoardReply(Device& device, CFTypeRef request) {
    std::string command = stringValue(request, "command");
    if (command == "getIconPNGData") {
        CFMutableDictionaryRef reply = CFDictionaryCreateMutable();
        std::string folder = device.appFolder(stringValue(request, "bundleId"));
        if (!folder.empty()) {
            std::string bytes;
            if (files::readRegularFile(folder + "/icon.png", kIconLimit, &bytes) && !bytes.empty()) {
                CFHolder<CFDataRef> data(
                    CFDataCreate(reinterpret_cast<const uint8_t*>(bytes.data()), static_cast<CFIndex>(bytes.size())));
                CFDictionarySetValue(reply, "pngData", data.get());
            }
        }
        return CFHolder<CFTypeRef>(reply);
    }
    if (command == "getIconState") {
        CFMutableArrayRef page = CFArrayCreateMutable();
        for (const std::string& id : appIds(device)) {
            CFHolder<CFTypeRef> attrs(CFPropertyListCreateFromFile(device.appFolder(id) + "/attributes.plist"));
            CFMutableDictionaryRef icon = CFDictionaryCreateMutable();
            setString(icon, "displayIdentifier", id);
            setString(icon, "displayName", stringValue(attrs.get(), "CFBundleDisplayName"));
            CFArrayAppendValue(page, icon);
            CFRelease(icon);
        }
        CFMutableArrayRef pages = CFArrayCreateMutable();
        CFArrayAppendValue(pages, page);
        CFRelease(page);
        return CFHolder<CFTypeRef>(pages);
    }
    return errorReply("UnknownCommand");
}

CFHolder<CFTypeRef> installationProxyReply(Device& device, CFTypeRef request) {
    if (stringValue(request, "Command") != "LookupArchives") return errorReply("UnknownCommand");
    CFMutableDictionaryRef result = CFDictionaryCreateMutable();
    {
        std::lock_guard lock(device.mutex);
        for (auto& [id, type] : device.archives) {
            CFMutableDictionaryRef entry = CFDictionaryCreateMutable();
            setString(entry, "ArchiveType", type);
            setString(entry, "CFBundleIdentifier", id);
            CFHolder<CFStringRef> key(CFStringCreateWithCString(id.c_str()));
            CFDictionarySetValue(result, key.get(), entry);
            CFRelease(entry);
        }
    }
    CFMutableDictionaryRef reply = CFDictionaryCreateMutable();
    CFDictionarySetValue(reply, "LookupResult", result);
    CFRelease(result);
    setString(reply, "Status", "Complete");
    return CFHolder<CFTypeRef>(reply);
}

void serve(std::shared_ptr<Service> service) {
    if (service->kind == Service::Kind::Afc) {
        // The AFC calls work on the area directly; the socket only has to stay open.
        char sink[256];
        while (true) {
            ssize_t n = ::recv(service->serverFd, sink, sizeof sink, 0);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) break;
        }
    } else {
        while (service->device->attached) {
            CFHolder<CFTypeRef> request = readFrame(service->serverFd);
            if (!request) break;
            CFHolder<CFTypeRef> reply = service->kind == Service::Kind::SpringBoard
                                            ? springBoardReply(*service->device, request.get())
                                            : installationProxyReply(*service->device, request.get());
            if (!writeFrame(service->serverFd, reply.get())) break;
        }
    }
    forgetService(*service);
    service->finished = true;
}

void joinAndClose(Service& service) {
    if (service.thread.joinable()) service.thread.join();
    if (service.serverFd >= 0) ::close(service.serverFd);
    service.serverFd = -1;
}

}  // namespace

int startService(const DevicePtr& device, Service::Kind kind, const std::string& areaRoot, int* socket) {
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) return kAMDUndefinedError;
    struct stat st {};
    ::fstat(fds[0], &st);
    auto service = std::make_shared<Service>();
    service->kind = kind;
    service->device = device;
    service->areaRoot = areaRoot;
    service->serverFd = fds[1];
    service->clientInode = st.st_ino;

    {
        std::lock_guard lock(socketsMutex());
        sockets()[service->clientInode] = service;
    }
    service->thread = std::thread(serve, service);

    std::vector<std::shared_ptr<Service>> finished;
    bool attached;
    {
        std::lock_guard lock(device->mutex);
        attached = device->attached;
        // Reap the services whose clients have gone.
        auto& list = device->services;
        for (auto it = list.begin(); it != list.end();) {
            if ((*it)->finished) {
                finished.push_back(*it);
                it = list.erase(it);
            } else {
                ++it;
            }
        }
        if (attached) list.push_back(service);
    }
    for (auto& old : finished) joinAndClose(*old);
    if (!attached) {  // removed while starting
        ::shutdown(service->serverFd, SHUT_RDWR);
        forgetService(*service);
        joinAndClose(*service);
        ::close(fds[0]);
        return kAMDDeviceDisconnectedError;
    }
    *socket = fds[0];
    return kAMDSuccess;
}

std::shared_ptr<Service> serviceForSocket(int socket) {
    struct stat st {};
    if (socket < 0 || ::fstat(socket, &st) != 0 || !S_ISSOCK(st.st_mode)) return nullptr;
    std::lock_guard lock(socketsMutex());
    auto it = sockets().find(st.st_ino);
    if (it == sockets().end() || !it->second->device->attached) return nullptr;
    return it->second;
}

void forgetService(const Service& service) {
    std::lock_guard lock(socketsMutex());
    auto it = sockets().find(service.clientInode);
    if (it != sockets().end() && it->second.get() == &service) sockets().erase(it);
}

void shutDownDevice(Device& device) {
    std::vector<std::shared_ptr<Service>> services;
    std::vector<std::shared_ptr<SyncConnection>> syncs;
    {
        std::lock_guard lock(device.mutex);
        services.swap(device.services);
        for (auto& weak : device.syncConnections)
            if (auto s = weak.lock()) syncs.push_back(s);
        device.syncConnections.clear();
    }
    for (auto& service : services) {
        ::shutdown(service->serverFd, SHUT_RDWR);
        forgetService(*service);
    }
    for (auto& service : services) joinAndClose(*service);
    for (auto& sync : syncs) sync->close();
}

void SyncConnection::push(CFDictionaryRef message) {
    {
        std::lock_guard lock(mutex);
        if (closed) return;
        CFRetain(message);
        queue.emplace_back(message);
    }
    arrived.notify_all();
}

void SyncConnection::close() {
    {
        std::lock_guard lock(mutex);
        closed = true;
        queue.clear();
    }
    arrived.notify_all();
}

}  // namespace simdevice
