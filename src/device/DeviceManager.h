// The process-wide registry of attached devices. It subscribes to device arrival and removal,
// gives each arriving device its index, prepares the device's lockdown-value reader and
// sync-message connection, and reports arrival and removal to one sink.
#pragma once

#include "platform/MobileDevice.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <mutex>
#include <string>

namespace amd {

class AirTrafficHostHelper;
class BaseInfo;
class BaseDevice;

struct DeviceItem {
    std::string localDir;
    int index = 0;
    // This attachment's number: unique for the process, where an index is given again to the
    // next device once the devices above it have gone.
    uint64_t attachment = 0;
    AirTrafficHostHelper* syncHelper = nullptr;  // owned
    BaseInfo* info = nullptr;                    // owned
    BaseDevice* device = nullptr;                // owned
};

class DeviceNotify {
public:
    virtual void OnConnect(int deviceIndex) = 0;
    virtual void OnDisconnect(int deviceIndex) = 0;

protected:
    ~DeviceNotify() = default;
};

// While one lives on a thread, that thread's look-ups of its index (and so every service started
// there on that index) find only the attachment it names: a device that has taken the index
// since is not found, as a device that has gone is not. Work done for one device's results keeps
// inside one, so that it never reaches another device given the same index.
class OnlyAttachment {
public:
    OnlyAttachment(int index, uint64_t attachment);
    ~OnlyAttachment();
    OnlyAttachment(const OnlyAttachment&) = delete;
    OnlyAttachment& operator=(const OnlyAttachment&) = delete;

private:
    int index_;
    uint64_t attachment_;
    const OnlyAttachment* outer_;
    friend class DeviceManager;
};

class DeviceManager {
public:
    // The single manager, made on the first call and never destroyed.
    static DeviceManager* Instance();

    void SetNotify(DeviceNotify* sink);
    int Subscribe();
    int Unsubscribe();

    // Pointers into the list: valid only until the device is removed, which happens on the
    // thread that subscribed. Other threads use WithItem.
    BaseDevice* FindDevice(int index);
    DeviceItem* FindItem(int index);
    // Runs fn on the item with that index while the item cannot be removed; false when none.
    bool WithItem(int index, const std::function<void(DeviceItem&)>& fn);
    // The device's private work folder, made on first use; "" when there is no such device.
    std::string LocalDir(int index);
    // How many devices are attached.
    size_t DeviceCount();
    // The attachment number of the device now at index; 0 when there is none.
    uint64_t AttachmentAt(int index);

    static void OnDeviceNotification(am_device_notification_callback_info* info, void* context);
    void AddDevice(AMDeviceRef handle);
    void RemoveDevice(AMDeviceRef handle);

private:
    DeviceManager() = default;
    DeviceItem* findItemLocked(int index);

    std::recursive_mutex mutex;  // guards items
    std::list<DeviceItem*> items;
    uint64_t lastAttachment = 0;
    AMDeviceNotificationRef notification = nullptr;
    DeviceNotify* sink = nullptr;
};

}  // namespace amd
