// Sync-message connections of simulated devices: each new connection receives the device's
// messages (sync/messages.plist, then those a test posts), then waits for more until it is
// destroyed or the device goes.
#include "platform/AirTrafficHost.h"

#include "platform/simdevice/SimDevice.h"

using namespace simdevice;

struct ATHostConnection {};  // handles are tokens, never dereferenced

namespace {

struct Registry {
    std::mutex mutex;
    std::map<uintptr_t, std::shared_ptr<SyncConnection>> open;
    uintptr_t nextId = 1;
};

Registry& registry() {
    static auto* r = new Registry;
    return *r;
}

std::shared_ptr<SyncConnection> find(ATHostConnectionRef handle) {
    std::lock_guard lock(registry().mutex);
    auto it = registry().open.find(reinterpret_cast<uintptr_t>(handle));
    return it == registry().open.end() ? nullptr : it->second;
}

}  // namespace

ATHostConnectionRef ATHostConnectionCreateWithLibrary(CFStringRef libraryId, CFStringRef udid, unsigned int) {
    if (!libraryId || !udid || CFGetTypeID(udid) != CFStringGetTypeID()) return nullptr;
    const std::string& wanted = CFStringGetStdString(udid);
    DevicePtr device;
    for (auto& candidate : attachedDevices())
        if (!candidate->udid.empty() && candidate->udid == wanted) device = candidate;
    if (!device || device->injectedFailure("ATHostConnectionCreateWithLibrary")) return nullptr;

    auto connection = std::make_shared<SyncConnection>();
    connection->device = device;
    {
        std::lock_guard lock(device->mutex);
        if (!device->paired || !device->attached) return nullptr;  // the device does not trust us
        for (auto& message : device->syncMessages) connection->push(message.get());
        auto& list = device->syncConnections;
        std::erase_if(list, [](const std::weak_ptr<SyncConnection>& w) { return w.expired(); });
        list.push_back(connection);
    }
    if (!device->attached) connection->close();  // removed meanwhile
    std::lock_guard lock(registry().mutex);
    uintptr_t id = registry().nextId++;
    registry().open[id] = connection;
    return reinterpret_cast<ATHostConnectionRef>(id);
}

CFDictionaryRef ATHostConnectionReadMessage(ATHostConnectionRef handle) {
    auto connection = find(handle);
    if (!connection) return nullptr;
    std::unique_lock lock(connection->mutex);
    connection->arrived.wait(lock, [&] { return connection->closed || !connection->queue.empty(); });
    if (connection->closed) return nullptr;
    CFDictionaryRef message = connection->queue.front().release();
    connection->queue.pop_front();
    return message;
}

void ATHostConnectionDestroy(ATHostConnectionRef handle) {
    std::shared_ptr<SyncConnection> connection;
    {
        std::lock_guard lock(registry().mutex);
        auto it = registry().open.find(reinterpret_cast<uintptr_t>(handle));
        if (it == registry().open.end()) return;
        connection = it->second;
        registry().open.erase(it);
    }
    connection->close();
}
