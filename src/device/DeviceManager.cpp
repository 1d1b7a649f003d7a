#include "device/DeviceManager.h"

#include "device/AirTrafficHostHelper.h"
#include "device/BaseDevice.h"
#include "device/BaseInfo.h"
#include "device/Conversions.h"
#include "platform/Paths.h"

#include <sys/stat.h>

namespace amd {

namespace {
thread_local const OnlyAttachment* t_only = nullptr;
}  // namespace

OnlyAttachment::OnlyAttachment(int index, uint64_t attachment)
    : index_(index), attachment_(attachment), outer_(t_only) {
    t_only = this;
}

OnlyAttachment::~OnlyAttachment() { t_only = outer_; }

DeviceManager* DeviceManager::Instance() {
    static DeviceManager* manager = new DeviceManager;
    return manager;
}

void DeviceManager::SetNotify(DeviceNotify* newSink) { sink = newSink; }

int DeviceManager::Subscribe() {
    if (!sink) Diagnostic("* Subscibe without notify set\n");
    return AMDeviceNotificationSubscribe(&DeviceManager::OnDeviceNotification, 0, 1, nullptr, &notification);
}

int DeviceManager::Unsubscribe() {
    if (!notification) return 0;
    int status = AMDeviceNotificationUnsubscribe(notification);
    notification = nullptr;
    return status;
}

DeviceItem* DeviceManager::findItemLocked(int index) {
    for (DeviceItem* item : items) {
        if (item->index != index) continue;
        for (const OnlyAttachment* only = t_only; only; only = only->outer_)
            if (only->index_ == index && only->attachment_ != item->attachment) return nullptr;
        return item;
    }
    return nullptr;
}

BaseDevice* DeviceManager::FindDevice(int index) {
    std::lock_guard lock(mutex);
    DeviceItem* item = findItemLocked(index);
    return item ? item->device : nullptr;
}

DeviceItem* DeviceManager::FindItem(int index) {
    std::lock_guard lock(mutex);
    return findItemLocked(index);
}

bool DeviceManager::WithItem(int index, const std::function<void(DeviceItem&)>& fn) {
    std::lock_guard lock(mutex);
    DeviceItem* item = findItemLocked(index);
    if (!item) return false;
    fn(*item);
    return true;
}

uint64_t DeviceManager::AttachmentAt(int index) {
    std::lock_guard lock(mutex);
    DeviceItem* item = findItemLocked(index);
    return item ? item->attachment : 0;
}

size_t DeviceManager::DeviceCount() {
    std::lock_guard lock(mutex);
    return items.size();
}

std::string DeviceManager::LocalDir(int index) {
    std::lock_guard lock(mutex);
    DeviceItem* item = findItemLocked(index);
    if (!item || !item->info) return {};
    if (!item->localDir.empty()) return item->localDir;
    CFHolder<CFStringRef> udidValue(item->info->UniqueDeviceID());
    std::string udid = cftype_to_string(udidValue.get());
    // The identifier names a folder: it must be one plain component.
    if (udid.empty() || udid == "." || udid == ".." || udid.find('/') != std::string::npos) return {};
    std::string base = paths::privateTempDirectory();
    if (base.empty()) return {};
    std::string path = base + "/tmp";
    ::mkdir(path.c_str(), 0700);
    path += "/" + udid;
    ::mkdir(path.c_str(), 0700);
    path += "/";
    Diagnostic("make local dir: %s\n", path.c_str());
    item->localDir = path;
    return path;
}

void DeviceManager::OnDeviceNotification(am_device_notification_callback_info* info, void*) {
    if (!info) return;
    if (info->msg == kAMDeviceAttached)
        Instance()->AddDevice(info->dev);
    else if (info->msg == kAMDeviceDetached)
        Instance()->RemoveDevice(info->dev);
}

void DeviceManager::AddDevice(AMDeviceRef handle) {
    auto* item = new DeviceItem;
    item->device = new BaseDevice(handle);
    {
        std::lock_guard lock(mutex);
        item->index = items.empty() ? 0 : items.back()->index + 1;
        item->attachment = ++lastAttachment;
        items.push_back(item);
    }
    const int index = item->index;
    // A failed arrival leaves nothing behind: the item leaves the list before its objects go.
    auto drop = [&] {
        {
            std::lock_guard lock(mutex);
            items.remove(item);
        }
        delete item->syncHelper;
        delete item->info;
        delete item->device;
        delete item;
    };

    auto* info = new BaseInfo;
    if (info->Start(index) != 0) {
        Diagnostic("New device add failed\n");
        delete info;
        drop();
        return;
    }
    {
        std::lock_guard lock(mutex);
        item->info = info;
    }
    auto* helper = new AirTrafficHostHelper;
    {
        std::lock_guard lock(mutex);
        item->syncHelper = helper;
    }
    CFHolder<CFStringRef> udid(info->UniqueDeviceID());
    if (helper->Connect(udid.get(), index) != 0) {
        Diagnostic("The device may not trust\n");
        drop();
        return;
    }
    helper->StartReader();
    if (sink) sink->OnConnect(index);
    Diagnostic("A device added\n");
}

void DeviceManager::RemoveDevice(AMDeviceRef handle) {
    DeviceItem* item = nullptr;
    {
        std::lock_guard lock(mutex);
        for (DeviceItem* candidate : items)
            if (candidate->device && candidate->device->Handle() == handle) {
                item = candidate;
                break;
            }
    }
    if (!item) {
        Diagnostic("* Remove an unknown device\n");
        return;
    }
    // The observers may still use the item while they hear of the removal.
    if (sink) sink->OnDisconnect(item->index);
    {
        std::lock_guard lock(mutex);
        items.remove(item);
    }
    // The reader writes into the BaseInfo: stop it first.
    delete item->syncHelper;
    delete item->device;
    delete item->info;
    delete item;
}

}  // namespace amd
