// The registry of attached simulated devices, device notifications to subscribers, and the
// public attach/detach API.
#include "platform/Beneath.h"
#include "platform/LogCategories.h"
#include "platform/SimulatedDevices.h"
#include "platform/simdevice/SimDevice.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <QObject>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cstring>
#include <dirent.h>
#include <functional>
#include <stdlib.h>
#include <sys/stat.h>

namespace simdevice {
namespace {

struct Subscriber {
    am_device_notification_callback callback = nullptr;
    void* context = nullptr;
    QPointer<QObject> thread;  // lives on the subscribing thread; null without a Qt application
};

struct Registry {
    std::mutex mutex;
    std::map<int, DevicePtr> devices;
    int nextDeviceId = 1;
    std::map<uintptr_t, Subscriber> subscribers;
    uintptr_t nextSubscriberId = 1;
    bool environmentRead = false;
    // Each attached folder as it was named, with its device's id, or 0 while the folder is away:
    // removing or renaming the folder pulls the device out, putting it back plugs it in again.
    std::map<std::string, int> watched;
    QPointer<QTimer> watcher;  // looks at the watched folders, on a subscriber's thread
};

// How often the watched folders are looked at.
constexpr int kWatchMs = 500;

// Never destroyed: serving threads and late callbacks may still reach it during exit.
Registry& registry() {
    static Registry* r = new Registry;
    return *r;
}

AMDeviceRef handleOf(int id) { return reinterpret_cast<AMDeviceRef>(static_cast<uintptr_t>(id)); }

std::string realPath(const std::string& path) {
    char* resolved = ::realpath(path.c_str(), nullptr);
    if (!resolved) return {};
    std::string result(resolved);
    ::free(resolved);
    return result;
}

std::string realFolder(const std::string& path) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
    return realPath(path);
}

CFHolder<CFDictionaryRef> readDictionary(const std::string& path) {
    CFHolder<CFTypeRef> value(CFPropertyListCreateFromFile(path));
    if (!value || CFGetTypeID(value.get()) != CFDictionaryGetTypeID()) return {};
    return CFHolder<CFDictionaryRef>(static_cast<CFDictionaryRef>(value.release()));
}

bool boolValue(CFDictionaryRef dict, const char* key, bool fallback) {
    CFTypeRef v = CFDictionaryGetValue(dict, key);
    if (v && CFGetTypeID(v) == CFBooleanGetTypeID()) return CFBooleanGetValue(static_cast<CFBooleanRef>(v));
    return fallback;
}

DevicePtr loadDevice(const std::string& folder, std::string* error) {
    auto fail = [&](const std::string& why) {
        if (error) *error = why;
        return DevicePtr();
    };
    std::string root = realFolder(folder);
    if (root.empty()) return fail("not a folder: " + folder);
    auto device = std::make_shared<Device>();
    device->folder = root;
    device->values = readDictionary(root + "/lockdown/values.plist");
    if (!device->values) return fail("no readable lockdown/values.plist in " + root);
    if (CFTypeRef udid = CFDictionaryGetValue(device->values.get(), "UniqueDeviceID");
        udid && CFGetTypeID(udid) == CFStringGetTypeID())
        device->udid = CFStringGetStdString(static_cast<CFStringRef>(udid));

    if (DIR* dir = ::opendir((root + "/lockdown").c_str())) {
        while (dirent* entry = ::readdir(dir)) {
            std::string name = entry->d_name;
            const std::string suffix = ".plist";
            if (name == "values.plist" || name.size() <= suffix.size() ||
                name.compare(name.size() - suffix.size(), suffix.size(), suffix) != 0)
                continue;
            if (auto domain = readDictionary(root + "/lockdown/" + name))
                device->domains[name.substr(0, name.size() - suffix.size())] = std::move(domain);
        }
        ::closedir(dir);
    }
    if (auto pairing = readDictionary(root + "/pairing.plist")) {
        device->paired = boolValue(pairing.get(), "Paired", true);
        device->trusted = boolValue(pairing.get(), "Trusted", true);
    }
    // An area folder that is a link would take the area outside the device: it then has none.
    auto areaFolder = [&](const char* name) {
        return beneath::openFolder(root, name) ? root + "/" + name : std::string();
    };
    device->mediaRoot = areaFolder("media");
    device->crashRoot = areaFolder("crashreports");
    device->appsRoot = areaFolder("apps");

    CFHolder<CFTypeRef> messages(CFPropertyListCreateFromFile(root + "/sync/messages.plist"));
    if (messages && CFGetTypeID(messages.get()) == CFArrayGetTypeID()) {
        auto array = static_cast<CFArrayRef>(messages.get());
        for (CFIndex i = 0; i < CFArrayGetCount(array); ++i) {
            CFTypeRef m = CFArrayGetValueAtIndex(array, i);
            if (CFGetTypeID(m) != CFDictionaryGetTypeID()) continue;
            CFRetain(m);
            device->syncMessages.emplace_back(static_cast<CFDictionaryRef>(m));
        }
    }
    return device;
}

// Tells one subscriber about one device, on its own thread's event loop when it has one.
void deliver(uintptr_t subscriberId, int deviceId, unsigned int code) {
    QObject* target = nullptr;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        auto it = r.subscribers.find(subscriberId);
        if (it == r.subscribers.end()) return;
        target = it->second.thread.data();
    }
    auto call = [subscriberId, deviceId, code] {
        am_device_notification_callback callback = nullptr;
        void* context = nullptr;
        {
            Registry& r = registry();
            std::lock_guard lock(r.mutex);
            auto it = r.subscribers.find(subscriberId);
            if (it == r.subscribers.end()) return;  // unsubscribed meanwhile
            callback = it->second.callback;
            context = it->second.context;
        }
        am_device_notification_callback_info info{handleOf(deviceId), code,
                                                  reinterpret_cast<AMDeviceNotificationRef>(subscriberId)};
        callback(&info, context);
    };
    if (target && QCoreApplication::instance())
        QMetaObject::invokeMethod(target, call, Qt::QueuedConnection);
    else
        call();
}

void announce(int deviceId, unsigned int code) {
    std::vector<uintptr_t> ids;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        for (auto& [id, sub] : r.subscribers) ids.push_back(id);
    }
    for (uintptr_t id : ids) deliver(id, deviceId, code);
}

void attachFromEnvironment() {
    const char* list = ::getenv(kEnvironmentVariable);
    if (!list) return;
    std::string all(list);
    size_t start = 0;
    while (start <= all.size()) {
        size_t end = all.find(':', start);
        if (end == std::string::npos) end = all.size();
        std::string folder = all.substr(start, end - start);
        if (!folder.empty()) {
            std::string error;
            if (attach(folder, &error) == 0)
                qCWarning(lcPlatform, "* Simulated device not attached: %s", error.c_str());
        }
        start = end + 1;
    }
}

// Pulls a device out. Pulled by a caller it is forgotten; pulled because its folder went away
// it comes back when the folder does.
bool removeDevice(int id, bool keepWatching) {
    DevicePtr device;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        auto it = r.devices.find(id);
        if (it == r.devices.end()) return false;
        device = it->second;
        r.devices.erase(it);
        for (auto w = r.watched.begin(); w != r.watched.end();) {
            if (w->second != id) {
                ++w;
            } else if (keepWatching) {
                (w++)->second = 0;
            } else {
                w = r.watched.erase(w);
            }
        }
    }
    device->attached = false;
    shutDownDevice(*device);
    announce(id, kAMDeviceDetached);
    return true;
}

// Whether the device attached from path is still there: the folder the name leads to is the one
// attached, and it still describes a device.
bool stillThere(const std::string& path, const DevicePtr& device) {
    struct stat st {};
    return realFolder(path) == device->folder &&
           ::stat((device->folder + "/lockdown/values.plist").c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

// One look at the watched folders: a device whose folder went away leaves, a folder that came
// back arrives.
void lookAtFolders() {
    std::vector<std::pair<std::string, DevicePtr>> present;
    std::vector<std::string> away;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        for (const auto& [path, id] : r.watched) {
            if (id == 0) {
                away.push_back(path);
            } else if (auto it = r.devices.find(id); it != r.devices.end()) {
                present.emplace_back(path, it->second);
            }
        }
    }
    for (const auto& [path, device] : present)
        if (!stillThere(path, device)) {
            qCInfo(lcPlatform, "* Simulated device folder gone: %s", path.c_str());
            removeDevice(device->id, /*keepWatching*/ true);
        }
    for (const std::string& path : away) {
        DevicePtr device = loadDevice(path, nullptr);
        if (!device) continue;
        {
            Registry& r = registry();
            std::lock_guard lock(r.mutex);
            auto w = r.watched.find(path);
            if (w == r.watched.end() || w->second != 0) continue;  // forgotten or back meanwhile
            device->id = r.nextDeviceId++;
            r.devices[device->id] = device;
            w->second = device->id;
        }
        qCInfo(lcPlatform, "* Simulated device folder back: %s", path.c_str());
        announce(device->id, kAMDeviceAttached);
    }
}

// Starts looking at the folders on the thread of owner, unless that is done already.
void watchFolders(QObject* owner) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    if (r.watcher) return;
    r.watcher = new QTimer(owner);
    QObject::connect(r.watcher, &QTimer::timeout, r.watcher, [] { lookAtFolders(); });
    r.watcher->start(kWatchMs);
}

}  // namespace

int Device::injectedFailure(const std::string& function) {
    if (!anyFailures.load(std::memory_order_acquire)) return 0;
    std::lock_guard lock(mutex);
    auto it = failures.find(function);
    if (it == failures.end()) return 0;
    if (it->second.callsBefore > 0) {
        --it->second.callsBefore;
        return 0;
    }
    return it->second.status;
}

uint32_t Device::takeSpace(uint32_t length) {
    std::lock_guard lock(mutex);
    if (spaceLeft < 0) return length;
    const auto fits = static_cast<uint32_t>(std::min<int64_t>(spaceLeft, length));
    spaceLeft -= fits;
    return fits;
}

std::string Device::appFolder(const std::string& bundleId) const {
    if (appsRoot.empty() || bundleId.empty() || bundleId == "." || bundleId == ".." ||
        bundleId.find('/') != std::string::npos)
        return {};
    std::string path = appsRoot + "/" + bundleId;
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return {};
    return path;
}

DevicePtr deviceForHandle(AMDeviceRef handle) {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    auto it = r.devices.find(static_cast<int>(reinterpret_cast<uintptr_t>(handle)));
    if (it == r.devices.end()) return nullptr;
    return it->second;
}

std::vector<DevicePtr> attachedDevices() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    std::vector<DevicePtr> list;
    for (auto& [id, device] : r.devices) list.push_back(device);
    return list;
}

int attach(const std::string& folder, std::string* error) {
    DevicePtr device = loadDevice(folder, error);
    if (!device) return 0;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        device->id = r.nextDeviceId++;
        r.devices[device->id] = device;
        r.watched[folder] = device->id;
    }
    announce(device->id, kAMDeviceAttached);
    return device->id;
}

bool detach(int id) { return removeDevice(id, /*keepWatching*/ false); }

void detachAll() {
    std::vector<int> ids;
    {
        Registry& r = registry();
        std::lock_guard lock(r.mutex);
        for (auto& [id, device] : r.devices) ids.push_back(id);
    }
    for (int id : ids) detach(id);
}

int attachedCount() {
    Registry& r = registry();
    std::lock_guard lock(r.mutex);
    return static_cast<int>(r.devices.size());
}

bool postSyncMessage(int id, const std::string& command, CFTypeRef params) {
    DevicePtr device = deviceForHandle(handleOf(id));
    if (!device) return false;
    CFMutableDictionaryRef message = CFDictionaryCreateMutable();
    CFHolder<CFStringRef> text(CFStringCreateWithCString(command.c_str()));
    CFDictionarySetValue(message, "Command", text.get());
    if (params) CFDictionarySetValue(message, "Params", params);
    std::vector<std::shared_ptr<SyncConnection>> open;
    {
        std::lock_guard lock(device->mutex);
        device->syncMessages.emplace_back(message);
        for (auto& weak : device->syncConnections)
            if (auto connection = weak.lock()) open.push_back(connection);
    }
    for (auto& connection : open) connection->push(message);
    return true;
}

void failCall(int id, const std::string& function, int status, int callsBefore) {
    DevicePtr device = deviceForHandle(handleOf(id));
    if (!device) return;
    std::lock_guard lock(device->mutex);
    if (status == 0)
        device->failures.erase(function);
    else
        device->failures[function] = Device::Failure{status, callsBefore};
    device->anyFailures = !device->failures.empty();
}

void limitSpace(int id, int64_t bytes) {
    DevicePtr device = deviceForHandle(handleOf(id));
    if (!device) return;
    std::lock_guard lock(device->mutex);
    device->spaceLeft = bytes < 0 ? -1 : bytes;
}

}  // namespace simdevice

using namespace simdevice;

int AMDeviceNotificationSubscribe(am_device_notification_callback callback, unsigned int, unsigned int, void* context,
                                  AMDeviceNotificationRef* handle) {
    if (!callback || !handle) return kAMDInvalidArgumentError;
    Registry& r = registry();
    bool readEnvironment = false;
    {
        std::lock_guard lock(r.mutex);
        readEnvironment = !r.environmentRead;
        r.environmentRead = true;
    }
    if (readEnvironment) attachFromEnvironment();

    Subscriber sub;
    sub.callback = callback;
    sub.context = context;
    if (QCoreApplication::instance()) {
        sub.thread = new QObject;  // made on, and bound to, this thread
        watchFolders(sub.thread);
    }
    uintptr_t id;
    std::vector<int> present;
    {
        std::lock_guard lock(r.mutex);
        id = r.nextSubscriberId++;
        r.subscribers[id] = sub;
        for (auto& [deviceId, device] : r.devices) present.push_back(deviceId);
    }
    *handle = reinterpret_cast<AMDeviceNotificationRef>(id);
    for (int deviceId : present) deliver(id, deviceId, kAMDeviceAttached);
    return kAMDSuccess;
}

int AMDeviceNotificationUnsubscribe(AMDeviceNotificationRef handle) {
    Registry& r = registry();
    QPointer<QObject> thread;
    {
        std::lock_guard lock(r.mutex);
        auto it = r.subscribers.find(reinterpret_cast<uintptr_t>(handle));
        if (it == r.subscribers.end()) return kAMDInvalidArgumentError;
        thread = it->second.thread;
        r.subscribers.erase(it);
    }
    if (thread) thread->deleteLater();
    return kAMDSuccess;
}
