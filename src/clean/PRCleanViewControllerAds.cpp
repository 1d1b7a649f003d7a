// The app cleaner's advertising caches: the scan that follows its file scan, the list of apps
// with their advertising folders, and their removal app by app or all at once.
#include "clean/PRCleanViewController.h"
#include "clean/core/AdCacheScan.h"
#include "platform/Dialogs.h"
#include "platform/Images.h"
#include "platform/Threads.h"
#include "widgets/ColumnFit.h"
#include "widgets/FlashView.h"
#include "widgets/PRButton.h"
#include "widgets/PRProgressView.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

QWidget* PRCleanViewController::buildAdsPane() {
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(16, 12, 16, 12);
    appClean_.theAdsImageView = headerBand(pane, tr("Built-in Ads"));
    layout->addWidget(appClean_.theAdsImageView);

    appClean_.AdsTableView = new QTableView(pane);
    appClean_.AdsTableView->setModel(adsController);
    appClean_.AdsTableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    appClean_.AdsTableView->setSelectionMode(QAbstractItemView::SingleSelection);
    appClean_.AdsTableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    appClean_.AdsTableView->setAlternatingRowColors(true);
    appClean_.AdsTableView->setIconSize(QSize(36, 36));
    appClean_.AdsTableView->verticalHeader()->hide();
    appClean_.AdsTableView->verticalHeader()->setDefaultSectionSize(42);
    columnfit::fitColumns(appClean_.AdsTableView);
    layout->addWidget(appClean_.AdsTableView, 1);

    auto* bottom = new QHBoxLayout;
    auto* back = new QPushButton(tr("Back"), pane);
    connect(back, &QPushButton::clicked, this, [this] { showcleanDiskView(); });
    auto* remove = new QPushButton(tr("Remove"), pane);
    connect(remove, &QPushButton::clicked, this, [this] { RemoveAdsAction(); });
    auto* removeAll = new QPushButton(tr("Remove All"), pane);
    connect(removeAll, &QPushButton::clicked, this, [this] { RemoveAllAdsAction(); });
    bottom->addWidget(back);
    bottom->addStretch(1);
    bottom->addWidget(remove);
    bottom->addWidget(removeAll);
    layout->addLayout(bottom);
    return pane;
}

void PRCleanViewController::StartScanAppAdsThread(const DeviceStamp& stamp) {
    const int device = stamp.index();
    clean::AdCacheScan::Options options;
    options.deviceIndex = device;
    options.deviceConnected = [this, stamp] { return connectedNow() && stamp.holds(); };
    options.fragments = adPlatArray;
    options.icon = [this, device](amd::FileService&, const std::string& bundleId) {
        return clean::JunkScan::appIcon(services_, device, bundleId);
    };
    options.progress = [this, stamp](float ratio) {
        onMainForDevice(stamp, [this, ratio] { appClean_.adsProgressor->setProgressValue(ratio); });
    };
    options.showBundleId = [this, stamp](const QString& bundleId) {
        onMainForDevice(stamp, [this, bundleId] { appClean_.appAdsShowFilePathlab->setText(bundleId); });
    };
    clean::AdCacheScan scan(services_, options);
    const clean::AdCacheScan::Outcome outcome = scan.run();
    performOnMainThread(
        this,
        [&, this] {
            if (!stamp.holds())
                appCleanScanDropped();
            else if (outcome != clean::AdCacheScan::Outcome::Finished)
                appCleanScanAbortedOnMainThread(QString::fromStdString(scan.failureReason()));
            else
                FinishedScanAppAdsThreadOnMainThread(scan.records(), scan.totalAdsCount());
        },
        true);
}

void PRCleanViewController::showAdsCount() { appClean_.appAdslab->setText(tr("%1 built-in ads").arg(totalAdsCount)); }

void PRCleanViewController::FinishedScanAppAdsThreadOnMainThread(std::vector<PRAppAdsRemoveNodePtr> records,
                                                                 int adsFound) {
    adsRemoveArray = std::move(records);
    totalAdsCount = adsFound;
    appClean_.appAdsShowFilePathlab->hide();
    appClean_.appAdslab->show();
    showAdsCount();
    appClean_.appAdsBtn->setEnabled(true);
    appClean_.appAdsBtn->setIcon(QPixmap::fromImage(images::imageNamed("arrowright.png")));
    appClean_.appStartBtn->setImageNamed("RemoveBtnNom.png");
    startButtonSettle_.resultsShown();
    appClean_.appFlashView->stopFlash();
    appClean_.appFlashView->hide();
    appClean_.adsProgressor->setProgressValue(1.0f);  // the advertising scan has no steps of its own
    adsScanRunning_ = false;
    if (appCounters_.totalFileNumber == 0 && totalAdsCount == 0)
        appClean_.appCleanResultlab->setText(tr("Nothing to clean up was found on your iDevice."));
}

void PRCleanViewController::ClickAppAdsFileAction(QObject*) {
    view();
    std::vector<PRAppAdsRemoveNodePtr> sorted = adsRemoveArray;
    clean::sortByAdsPlatformCount(sorted);
    adsController->setContent({});
    adsController->addObjects(sorted);
    showcleanAppAdsTableView();
    appClean_.AdsTableView->clearSelection();
}

void PRCleanViewController::RemoveAdsAction(QObject*) {
    const QModelIndexList rows =
        appClean_.AdsTableView ? appClean_.AdsTableView->selectionModel()->selectedRows() : QModelIndexList{};
    if (rows.isEmpty()) return;
    currentRemoveNode = adsController->objectAt(rows.first().row());
    if (!currentRemoveNode) return;
    if (currentRemoveNode->isLive()) {
        removeAdRecords({currentRemoveNode}, false);
        return;
    }
    AlertRequest alert;
    alert.messageText = tr("No ads detected, please contact us for further assistance or choose other ads to remove.");
    alert.buttons = QStringList{tr(" Ok ")};
    alert.informativeText = QString();
    alert.window = view_ ? view_->window() : nullptr;
    dialogs::runAlert(alert);
}

void PRCleanViewController::RemoveAllAdsAction(QObject*) {
    std::vector<PRAppAdsRemoveNodePtr> live;
    for (const auto& record : adsController->content())
        if (record->isLive()) live.push_back(record);
    removeAdRecords(std::move(live), true);
}

void PRCleanViewController::removeAdRecords(std::vector<PRAppAdsRemoveNodePtr> records, bool reloadOnce) {
    if (records.empty()) return;
    std::vector<std::pair<QString, QStringList>> work;
    for (const auto& record : records) work.emplace_back(record->appBundleID, record->appAdsPlatArray);
    auto batch = startBatch(tr("Some advertising caches could not be removed from the device."));
    batch->remaining = 1;
    pool_.enqueue([this, stamp = tie_.stamp(), records, work, reloadOnce, batch] {
        clean::AdCacheRemover remover(services_, stamp.index());
        clean::ActionResult all;
        const bool refused = !stamp.holds();
        if (refused) all.fail(QString(), DeviceTie::refusal());
        const auto onlyItsDevice = stamp.onlyThisDevice();
        for (size_t i = 0; i < work.size() && !refused; ++i) {
            const clean::AdRemovalResult result = remover.removeFolders(work[i].first, work[i].second);
            if (!result.ok()) {
                ++all.failures;
                if (all.failureReason.isEmpty() && !result.remainingPaths.isEmpty()) {
                    all.failedPath = result.remainingPaths.first();
                    all.failureReason = result.failureReason;
                }
            }
            // Each record's row is redrawn as soon as its folders are done.
            performOnMainThread(
                this,
                [=, this] {
                    adsRemoved(records[i], result);
                    if (!reloadOnce) adsController->reloadData();
                },
                true);
        }
        performOnMainThread(
            this,
            [=, this] {
                adsController->reloadData();
                finishJob(batch, all);
            },
            true);
    });
}

void PRCleanViewController::adsRemoved(const PRAppAdsRemoveNodePtr& record, const clean::AdRemovalResult& result) {
    if (result.removedPaths.isEmpty()) return;
    QStringList remaining;
    for (const QString& path : record->appAdsPlatArray)
        if (!result.removedPaths.contains(path)) remaining << path;
    totalAdsCount = std::max(0, totalAdsCount - int(record->appAdsPlatArray.size() - remaining.size()));
    record->appAdsPlatArray = remaining;
    record->appPlatformCount = QString::number(remaining.size());
    if (remaining.isEmpty()) record->appAdsState = QStringLiteral("Removed");
    if (appClean_.appAdslab) showAdsCount();
}
