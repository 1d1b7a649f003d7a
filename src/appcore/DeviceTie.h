// Which device a page's results belong to. A page ties itself to the device it is given; each
// scan it starts, the results it shows, the selections made in them and each action queued on
// them carry the stamp of that tie, taken when they began. When the device leaves
// ("DeviceDisConnect" of its index) or the page is given another device, the tie is cut: every
// stamp taken before stops holding and the page's drop step runs, so that the page shows nothing
// of the old device and scans the next one afresh.
//
// A worker's results are taken in only while their stamp holds, and an action runs only while
// its stamp holds. An index is given again to the next device once the devices above it have
// gone, so a stamp names the attachment too, and the device calls of an action stay inside it
// (onlyThisDevice): one device's paths never reach another device given the same index.
#pragma once

#include "device/DeviceManager.h"

#include <QString>
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>

class DeviceStamp {
public:
    DeviceStamp() = default;

    // The device index the stamp's work uses.
    int index() const { return index_; }
    // Any thread: the tie it was taken from is still uncut and its device still holds the index.
    bool holds() const;
    // While the returned scope lives, the calling thread's device calls on the index reach only
    // the stamp's device: one that has taken the index since is not found.
    amd::OnlyAttachment onlyThisDevice() const { return {index_, attachment_}; }

private:
    friend class DeviceTie;
    int index_ = 0;
    uint64_t attachment_ = 0;
    uint64_t generation_ = 0;
    std::shared_ptr<const std::atomic<uint64_t>> tieGeneration_;  // null: taken while untied
};

class DeviceTie {
public:
    // dropped runs on the main thread whenever the tie is cut: the page forgets what it found.
    explicit DeviceTie(std::function<void()> dropped);
    ~DeviceTie();
    DeviceTie(const DeviceTie&) = delete;
    DeviceTie& operator=(const DeviceTie&) = delete;

    // Ties the page to the device now at index and gives the stamp of the tie. The device it is
    // already tied to keeps the tie and its results; another device cuts it first.
    DeviceStamp tieTo(int index);
    // The stamp of the tie as it stands; one taken while untied never holds.
    DeviceStamp stamp() const;
    bool tied() const { return tied_; }
    int index() const { return index_; }
    // Every stamp taken before stops holding, and the drop step runs.
    void cut();

    // What an action refused for its device says.
    static QString refusal();

private:
    std::function<void()> dropped_;
    std::shared_ptr<std::atomic<uint64_t>> generation_ = std::make_shared<std::atomic<uint64_t>>(0);
    bool tied_ = false;
    int index_ = 0;
    uint64_t attachment_ = 0;
};
