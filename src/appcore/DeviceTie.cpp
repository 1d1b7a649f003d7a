#include "appcore/DeviceTie.h"

#include "device/DeviceNotices.h"
#include "platform/NotificationCenter.h"

#include <QCoreApplication>

bool DeviceStamp::holds() const {
    return tieGeneration_ && tieGeneration_->load() == generation_ &&
           amd::DeviceManager::Instance()->AttachmentAt(index_) == attachment_;
}

DeviceTie::DeviceTie(std::function<void()> dropped) : dropped_(std::move(dropped)) {
    notices::DeviceDisConnect.observe(NSNotificationCenter::defaultCenter(), this, [this](const NSNumberPtr& number) {
        if (tied_ && number && number->intValue() == index_) cut();
    });
}

DeviceTie::~DeviceTie() { NSNotificationCenter::defaultCenter().removeObserver(this); }

DeviceStamp DeviceTie::tieTo(int index) {
    const uint64_t attachment = amd::DeviceManager::Instance()->AttachmentAt(index);
    if (tied_ && index == index_ && attachment == attachment_) return stamp();
    if (tied_) cut();
    ++*generation_;  // a stamp taken while untied stays stale
    tied_ = true;
    index_ = index;
    attachment_ = attachment;
    return stamp();
}

DeviceStamp DeviceTie::stamp() const {
    DeviceStamp stamp;
    stamp.index_ = index_;
    stamp.attachment_ = attachment_;
    stamp.generation_ = generation_->load();
    if (tied_) stamp.tieGeneration_ = generation_;
    return stamp;
}

void DeviceTie::cut() {
    ++*generation_;
    tied_ = false;
    if (dropped_) dropped_();
}

QString DeviceTie::refusal() {
    return QCoreApplication::translate(
        "DeviceTie",
        "These results came from a device that is no longer attached, so nothing was done on the device "
        "attached now. Scan it to see its own files.");
}
