// Inside the simulated-device backend: the state of one attached device folder, its service
// connections, and the registry that hands out opaque handles.
#pragma once

#include "platform/CoreFoundation.h"
#include "platform/MobileDevice.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <sys/types.h>
#include <thread>
#include <vector>

namespace simdevice {

struct Device;

// One served end of a started service's socket pair.
struct Service {
    enum class Kind { Afc, InstallationProxy, SpringBoard };
    Kind kind = Kind::Afc;
    std::shared_ptr<Device> device;
    std::string areaRoot;  // the folder AFC calls on this socket work in
    int serverFd = -1;
    ino_t clientInode = 0;
    std::thread thread;
    std::atomic<bool> finished{false};
};

// A sync-message connection: the messages the device sends, read one at a time.
struct SyncConnection {
    std::shared_ptr<Device> device;
    std::mutex mutex;
    std::condition_variable arrived;
    std::deque<CFHolder<CFDictionaryRef>> queue;
    bool closed = false;

    void push(CFDictionaryRef message);  // retains
    void close();
};

struct Device {
    int id = 0;
    std::string folder;                          // real path of the device folder
    std::string mediaRoot, crashRoot, appsRoot;  // real paths; empty when the folder has none
    std::string udid;
    CFHolder<CFDictionaryRef> values;                          // lockdown values without a domain
    std::map<std::string, CFHolder<CFDictionaryRef>> domains;  // lockdown values of each domain
    std::atomic<bool> attached{true};

    std::mutex mutex;  // guards everything below
    bool paired = true;
    bool trusted = true;
    int connections = 0;
    int sessions = 0;
    struct Failure {
        int status = 0;
        int callsBefore = 0;  // calls that still succeed before the failures start
    };
    std::map<std::string, Failure> failures;
    std::atomic<bool> anyFailures{false};                 // spares the hot AFC calls the lock when no test asked
    int64_t spaceLeft = -1;                               // bytes later writes may add; -1 without a limit
    std::vector<CFHolder<CFDictionaryRef>> syncMessages;  // sent on every new sync connection
    std::vector<std::weak_ptr<SyncConnection>> syncConnections;
    std::vector<std::shared_ptr<Service>> services;
    std::map<std::string, std::string> archives;  // bundle identifier -> archive type

    // The status a test asked function to fail with, else 0.
    int injectedFailure(const std::string& function);
    // How many of length bytes fit in the space a test left the device (all without a limit);
    // those are taken from it.
    uint32_t takeSpace(uint32_t length);
    // The app folder of a bundle identifier that names an installed app, else empty.
    std::string appFolder(const std::string& bundleId) const;
};

using DevicePtr = std::shared_ptr<Device>;

// The attached device behind a handle, or null when it has gone.
DevicePtr deviceForHandle(AMDeviceRef handle);
// Every attached device, in order of attachment.
std::vector<DevicePtr> attachedDevices();
// The service whose client end is socket, or null.
std::shared_ptr<Service> serviceForSocket(int socket);
// Starts a service on a new socket pair; the client end goes to *socket.
int startService(const DevicePtr& device, Service::Kind kind, const std::string& areaRoot, int* socket);
// Removes a finished service from the socket registry (called by its serving thread).
void forgetService(const Service& service);
// Ends a device's services and sync connections (on detach).
void shutDownDevice(Device& device);

}  // namespace simdevice
