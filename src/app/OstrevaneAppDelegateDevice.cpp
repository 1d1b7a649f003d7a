// The device connection: device management at launch, the summary of an arriving device, the
// usage poll over a second sync-message connection, the overview page and the removal.
#include "app/DeviceUsage.h"
#include "app/OstrevaneAppDelegate.h"
#include "device/AirTrafficHostHelper.h"
#include "device/BaseInfo.h"
#include "device/DeviceManager.h"
#include "device/PRDeviceNotify.h"
#include "platform/LogCategories.h"
#include "widgets/PRButton.h"
#include "widgets/PRProgressView.h"

#include <QDebug>
#include <QLabel>
#include <QProgressBar>

namespace {
std::chrono::milliseconds g_boardStartDelay{5000};
std::chrono::milliseconds g_boardInterval{1000};

// A lockdown text as a string; null when the device gave none.
QString takeText(CFStringRef owned) {
    CFHolder<CFStringRef> holder(owned);
    if (!holder) return {};
    return QString::fromStdString(CFStringGetStdString(holder.get()));
}

// A value the device did not send leaves its label empty: it never shows the previous device's.
void show(QLabel* label, const QString& value) { label->setText(value); }
}  // namespace

void OstrevaneAppDelegate::setBoardMessageTimings(std::chrono::milliseconds startDelay,
                                                  std::chrono::milliseconds interval) {
    g_boardStartDelay = startDelay;
    g_boardInterval = interval;
}

void OstrevaneAppDelegate::initDeviceManagement() {
    manager = amd::DeviceManager::Instance();
    // One sink and one subscription for the process: the manager outlives every delegate.
    static amd::PRDeviceNotify notify;
    static bool subscribed = false;
    manager->SetNotify(&notify);
    if (!subscribed) {
        subscribed = true;
        manager->Subscribe();
    }
}

void OstrevaneAppDelegate::DeviceConnectHandle(const NSNotification& notification) {
    // A new device replaces the previous one, and with it any poll still running for it; nothing
    // of the previous device stays, whatever this one sends.
    stopBoardMessage();
    clearDeviceFigures();
    state_.setDeviceConnected(true);
    ClickMainStatu(nullptr);
    sidebar_->manageHasDeviceView->setHidden(false);
    sidebar_->manageNoDeviceView->setHidden(true);

    const auto number = notification.objectAs<NSNumber>();
    theDevice = number ? number->intValue() : 0;
    amd::DeviceItem* item = manager ? manager->FindItem(theDevice) : nullptr;
    bi = item ? item->info : nullptr;

    if (bi) {
        auto node = std::make_shared<PRiDeviceNode>();
        node->setDeviceName(takeText(bi->DeviceName()));
        node->setIOSVersion(takeText(bi->ProductVersion()));
        node->setUdidNumber(takeText(bi->UniqueDeviceID()));
        node->setPhoneNumber(takeText(bi->PhoneNumber()));
        node->setFiremVersion(takeText(bi->BuildVersion()));
        node->setDeviceModel(takeText(bi->ProductType()));
        node->setSeriNumber(takeText(bi->SerialNumber()));

        amd::DiskCapacities disk;
        bi->DiskUsage(disk);
        const uint64_t capacity = disk.totalDataCapacity;
        const uint64_t free = disk.totalDataAvailable;
        node->setDeviceSize(sizeText(capacity));
        node->setFreeSize(sizeText(free));
        node->setFreeFileSizeNumber(free);
        node->setTotalFileSizeNumber(capacity);

        show(overview_.iDeviceNamelab, node->deviceName());
        show(overview_.iDeviceCapacityValuelab, node->deviceSize());
        show(overview_.iDeviceSoftwareVersionValuelab, node->iOSVersion());
        show(overview_.iDeviceFirmValuelab, node->firemVersion());
        show(overview_.iDeviceIDValuelab, node->udidNumber());
        show(overview_.iDeviceSerialValuelab, node->seriNumber());
        show(overview_.iDevicepPhoneValuelab, node->PhoneNumber());

        const uint64_t used = subtractOrZero(capacity, free);
        overview_.iDeviceColorView->setProgressValueWithusedValue(capacityShare(used, capacity),
                                                                  capacityShare(free, capacity));
        overview_.iDeviceColorView->update();
        overview_.usedSpaceLab->setText(QString("%1 of %2").arg(sizeText(used), node->deviceSize()));
        overview_.freeSpacelab->setText(QString("%1 free").arg(node->freeSize()));

        setCurrentIDevicenode(node);
        startBoardMessage();
    }

    cleanPanel_.cleanprogressor->setRange(0, 0);  // indeterminate, animating
    setBannerButtonsVisible(true);
    pressBannerButton(banner_.mainStatusBannerBtn);
    ClickMainStatu(nullptr);
    handDeviceToVisitedPages();
}

void OstrevaneAppDelegate::startBoardMessage() {
    const PRiDeviceNodePtr node = currentIDevicenode();
    const std::string udid = node && !node->udidNumber().isNull() ? node->udidNumber().toStdString() : std::string();
    const int index = theDevice;
    const uint64_t generation = connectionGeneration_;
    boardPending_ = true;

    // Only the connection is made off the main thread; the worker reads nothing of the device's
    // objects, which the main thread may delete at any time. The timers run on the main thread
    // and stopBoardMessage (also run by the destructor) stops them.
    workers_.enqueue([this, udid, index, generation] {
        auto helper = std::make_shared<amd::AirTrafficHostHelper>();
        CFHolder<CFStringRef> udidText(udid.empty() ? nullptr : CFStringCreateWithCString(udid.c_str()));
        const bool connected = helper->Connect(udidText.get(), index) == 0;
        if (connected) {
            helper->StartReader();
        } else {
            qCWarning(lcApp, "AirTrafficHost init failed");
            helper.reset();
        }
        performOnMainThread(
            this,
            [this, helper, generation] {
                if (connectionGeneration_ != generation) return;  // the device went meanwhile
                boardPending_ = false;
                if (!helper) return;
                boardHelper_ = helper;
                boardStartTimer = performAfterDelay(g_boardStartDelay, [this] {
                    boardStartTimer.reset();
                    boardTimer = NSTimer::scheduledTimer(g_boardInterval, true,
                                                         [this](NSTimer&) { BoardMessageTimer_hander(); });
                });
            },
            true);
    });
}

void OstrevaneAppDelegate::BoardMessageTimer_hander() {
    if (!bi) return;
    CFHolder<CFDictionaryRef> metrics = bi->GetAssetMetrics();
    if (!metrics || CFGetTypeID(metrics.get()) != CFDictionaryGetTypeID()) return;
    CFHolder<CFStringRef> text(CFCopyDescription(metrics.get()));
    qCDebug(lcApp).noquote() << "Board:"
                             << QString::fromStdString(text ? CFStringGetStdString(text.get()) : std::string());
    startBoardMessageThreadOnMain(metrics.get());
}

void OstrevaneAppDelegate::startBoardMessageThreadOnMain(CFDictionaryRef metrics) {
    const PRiDeviceNodePtr node = currentIDevicenode();
    const uint64_t total = node ? node->totalFileSizeNumber() : 0;
    const uint64_t free = node ? node->freeFileSizeNumber() : 0;
    const DeviceUsage usage = DeviceUsage::fromAssetMetrics(metrics, total, free);

    state_.setCounter(AppCounter::CurrentAppFileSize, usage.apps);
    state_.setCounter(AppCounter::CurrentMusicFileSize, usage.music);
    state_.setCounter(AppCounter::CurrentVideoFileSize, usage.movies);
    state_.setCounter(AppCounter::CurrentPhotoFileSize, usage.photos);
    state_.setCounter(AppCounter::CurrentUserDataFileSize, usage.others);
    usageKnown_ = true;
    showUsageFigures(/*drawBar*/ true);

    if (boardTimer) boardTimer->invalidate();
    boardTimer.reset();
}

void OstrevaneAppDelegate::stopBoardMessage() {
    ++connectionGeneration_;  // a worker still connecting finds its result stale
    boardPending_ = false;
    if (boardStartTimer) boardStartTimer->invalidate();
    boardStartTimer.reset();
    if (boardTimer) boardTimer->invalidate();
    boardTimer.reset();
    boardHelper_.reset();  // closes the second sync-message connection and joins its reader
}

void OstrevaneAppDelegate::DeviceDisConnectHandle(const NSNotification& notification) {
    // Only the current (last connected) device's removal ends the connection: an older device
    // leaving while a newer one stays changes nothing.
    const auto number = notification.objectAs<NSNumber>();
    if (state_.deviceConnected() && number && number->intValue() != theDevice) return;
    state_.setDeviceConnected(false);
    stopBoardMessage();
    bi = nullptr;  // deleted by the device manager once this returns
    showOnlyPage(kNoDeviceView);
    setBannerButtonsVisible(false);
    sidebar_->manageHasDeviceView->setHidden(true);
    sidebar_->manageNoDeviceView->setHidden(false);
    // What was removed from this device, what it held and what its clean found no longer count;
    // the clean summary shows again from the next device's first scan.
    deviceCleanStarted_ = false;
    clearDeviceFigures();
}

void OstrevaneAppDelegate::clearDeviceFigures() {
    for (AppCounter c :
         {AppCounter::AllJunkFileNumber, AppCounter::AllCacheFileNumber, AppCounter::AllCookFileNumber,
          AppCounter::TotalAppRemoveFileSize, AppCounter::TotalBooksRemoveFileSize,
          AppCounter::TotalMusicRemoveFileSize, AppCounter::TotalPhotoRemoveFileSize,
          AppCounter::TotalUserdataRemoveFileSize, AppCounter::TotalVideoRemoveFileSize, AppCounter::CurrentAppFileSize,
          AppCounter::CurrentBooksFileSize, AppCounter::CurrentMusicFileSize, AppCounter::CurrentVideoFileSize,
          AppCounter::CurrentPhotoFileSize, AppCounter::CurrentUserDataFileSize})
        state_.setCounter(c, 0);
    usageKnown_ = false;
    for (QLabel* value :
         {overview_.iDeviceNamelab, overview_.iDeviceCapacityValuelab, overview_.iDeviceSoftwareVersionValuelab,
          overview_.iDeviceFirmValuelab, overview_.iDeviceIDValuelab, overview_.iDeviceSerialValuelab,
          overview_.iDevicepPhoneValuelab, overview_.usedSpaceLab, overview_.freeSpacelab})
        value->clear();
    overview_.photoSizelab->setText(QStringLiteral("Photo:"));
    overview_.musicSizelab->setText(QStringLiteral("Music:"));
    overview_.movieSizelab->setText(QStringLiteral("Movie:"));
    overview_.appSizelab->setText(QStringLiteral("Apps:"));
    overview_.otherSizelab->setText(QStringLiteral("Others:"));
    overview_.iDeviceColorView->setProgressValueWithusedValue(0, 0);
    overview_.iDeviceColorView->update();
    setCurrentIDevicenode(nullptr);
    resetCleanCategoryLabels();
}

void OstrevaneAppDelegate::showUsageFigures(bool drawBar) {
    if (!usageKnown_) return;
    const PRiDeviceNodePtr node = currentIDevicenode();
    const uint64_t total = node ? node->totalFileSizeNumber() : 0;
    using C = AppCounter;
    auto net = [this](C current, C gone) { return subtractOrZero(counter(current), counter(gone)); };
    const uint64_t photos = net(C::CurrentPhotoFileSize, C::TotalPhotoRemoveFileSize);
    const uint64_t music = net(C::CurrentMusicFileSize, C::TotalMusicRemoveFileSize);
    const uint64_t movies = net(C::CurrentVideoFileSize, C::TotalVideoRemoveFileSize);
    const uint64_t apps = net(C::CurrentAppFileSize, C::TotalAppRemoveFileSize);
    // Books have no category of their own on the device: they count among the others.
    const uint64_t others = subtractOrZero(net(C::CurrentUserDataFileSize, C::TotalUserdataRemoveFileSize),
                                           counter(C::TotalBooksRemoveFileSize));
    overview_.photoSizelab->setText(QString("Photo: %1").arg(sizeText(photos)));
    overview_.musicSizelab->setText(QString("Music: %1").arg(sizeText(music)));
    overview_.movieSizelab->setText(QString("Movie: %1").arg(sizeText(movies)));
    overview_.appSizelab->setText(QString("Apps: %1").arg(sizeText(apps)));
    overview_.otherSizelab->setText(QString("Others: %1").arg(sizeText(others)));
    if (!drawBar) return;
    overview_.iDeviceColorView->setProgressValueWithMusicValue(
        capacityShare(music, total), capacityShare(photos, total), capacityShare(movies, total),
        capacityShare(apps, total), capacityShare(others, total));
    overview_.iDeviceColorView->update();
}

void OstrevaneAppDelegate::ClickMainStatu(QObject*) {
    showOnlyPage(kStatuView);
    selectSidebarRow(0);
    banner_.mainStatusBannerBtn->setImageNamed("DeviceManager_Down.png");
    showMainBottomImageview();

    const PRiDeviceNodePtr node = currentIDevicenode();
    const uint64_t total = node ? node->totalFileSizeNumber() : 0;
    const uint64_t free = node ? node->freeFileSizeNumber() : 0;
    uint64_t removed = 0;
    using C = AppCounter;
    for (C part : {C::TotalMusicRemoveFileSize, C::TotalPhotoRemoveFileSize, C::TotalVideoRemoveFileSize,
                   C::TotalAppRemoveFileSize, C::TotalBooksRemoveFileSize, C::TotalUserdataRemoveFileSize})
        removed = addSaturating(removed, counter(part));

    const bool showMore = overview_.iDeviceColorView->getShowMore();
    showUsageFigures(/*drawBar*/ showMore);
    if (!showMore) {
        const uint64_t used = subtractOrZero(subtractOrZero(total, free), removed);
        overview_.iDeviceColorView->setProgressValueWithusedValue(capacityShare(used, total),
                                                                  capacityShare(addSaturating(free, removed), total));
    }
    overview_.iDeviceColorView->update();
    if (!node) return;  // the page shows before a device's values are read
    const uint64_t used = subtractOrZero(subtractOrZero(total, free), removed);
    const QString deviceSize = node && !node->deviceSize().isNull() ? node->deviceSize() : sizeText(total);
    overview_.usedSpaceLab->setText(QString("%1 of %2").arg(sizeText(used), deviceSize));
    overview_.freeSpacelab->setText(QString("%1 free").arg(sizeText(addSaturating(free, removed))));
}
