#include "clean/PRAdsRemoveController.h"

#include "appcore/AppState.h"
#include "clean/PRCleanViewController.h"
#include "clean/core/AdCacheScan.h"
#include "clean/core/JunkFileActions.h"
#include "platform/Dialogs.h"
#include "platform/Images.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/Threads.h"
#include "widgets/ActionFailureAlert.h"
#include "widgets/ButtonNotices.h"
#include "widgets/ColumnFit.h"
#include "widgets/FlashView.h"
#include "widgets/PRButton.h"
#include "widgets/PRProgressView.h"
#include "widgets/PageHost.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

PRAdsRemoveController::PRAdsRemoveController(clean::DeviceCleanServices& services, QObject* parent)
    : QObject(parent), services_(services) {
    adPlatArray = clean::adPlatformFragments();
    adsController = new PRAdsController(this);
    deviceConnected = [] { return AppState::deviceCountsAsConnected(); };
    notices::MyScanbuttonMouseDown.observe(NSNotificationCenter::defaultCenter(), this,
                                           [this](const NSNotification& n) { MyScanbuttonMouseDownHandle(n); });
}

PRAdsRemoveController::~PRAdsRemoveController() {
    endWorkersOf(this, {&pool_, &scans_});
    NSNotificationCenter::defaultCenter().removeObserver(this);
    delete view_;
}

QWidget* PRAdsRemoveController::view() {
    if (!view_) buildView();
    return view_;
}

std::vector<PRProgressView*> PRAdsRemoveController::bars() const {
    return {floatAdsProgress, popUpAdsProgress, flashAdsProgress, bannerAdsProgress};
}

std::vector<QLabel*> PRAdsRemoveController::labels() const {
    return {floatAdsTextlab, popUpAdsTextlab, flashAdsTextlab, bannerTextlab};
}

void PRAdsRemoveController::buildView() {
    auto* page = new QWidget;
    page->setObjectName("AdsView");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);

    adsRemoveFirstView = new QWidget(page);
    auto* first = new QVBoxLayout(adsRemoveFirstView);
    first->setContentsMargins(24, 18, 24, 18);
    auto* top = new QHBoxLayout;
    theImageView = PRCleanViewController::headerBand(adsRemoveFirstView, tr("Built-in Ads"));
    top->addWidget(theImageView, 1);
    theFalshView = new FlashView(adsRemoveFirstView);
    theFalshView->setFixedSize(40, 40);
    top->addWidget(theFalshView);
    scanButton = new PRScanButton(adsRemoveFirstView);
    scanButton->setImageNamed("scanNom.png");
    scanButton->setFixedSize(150, 48);
    top->addWidget(scanButton);
    first->addLayout(top);
    auto* grid = new QGridLayout;
    grid->setVerticalSpacing(14);
    const QString names[] = {tr("Floating Ads"), tr("Pop-up Ads"), tr("Flash Ads"), tr("Banner Ads")};
    PRProgressView** barOutlets[] = {&floatAdsProgress, &popUpAdsProgress, &flashAdsProgress, &bannerAdsProgress};
    QLabel** labelOutlets[] = {&floatAdsTextlab, &popUpAdsTextlab, &flashAdsTextlab, &bannerTextlab};
    for (int i = 0; i < 4; ++i) {
        auto* caption = new QLabel(names[i], adsRemoveFirstView);
        caption->setFont(QFont("Lucida Grande", 12, QFont::Bold));
        *barOutlets[i] = new PRProgressView(adsRemoveFirstView);
        (*barOutlets[i])->setFixedHeight(14);
        *labelOutlets[i] = new QLabel(adsRemoveFirstView);
        (*labelOutlets[i])->setFont(QFont("Lucida Grande", 10));
        (*labelOutlets[i])->setMinimumWidth(200);
        grid->addWidget(caption, i, 0);
        grid->addWidget(*barOutlets[i], i, 1);
        grid->addWidget(*labelOutlets[i], i, 2);
    }
    grid->setColumnStretch(1, 1);
    first->addLayout(grid);
    first->addStretch(1);

    adsRemoveSecondView = new QWidget(page);
    auto* second = new QVBoxLayout(adsRemoveSecondView);
    second->setContentsMargins(16, 12, 16, 12);
    adTableView = new QTableView(adsRemoveSecondView);
    adTableView->setModel(adsController);
    adTableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    adTableView->setSelectionMode(QAbstractItemView::SingleSelection);
    adTableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    adTableView->setIconSize(QSize(36, 36));
    adTableView->verticalHeader()->hide();
    adTableView->verticalHeader()->setDefaultSectionSize(42);
    columnfit::fitColumns(adTableView);
    second->addWidget(adTableView, 1);
    connect(adTableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { tableViewSelectionDidChange(); });
    auto* buttons = new QHBoxLayout;
    auto* back = new QPushButton(tr("Back"), adsRemoveSecondView);
    connect(back, &QPushButton::clicked, this, [this] { BackToScanAdsAction(); });
    auto* remove = new QPushButton(tr("Remove"), adsRemoveSecondView);
    connect(remove, &QPushButton::clicked, this, [this] { RemoveAdsAction(); });
    auto* removeAll = new QPushButton(tr("Remove All"), adsRemoveSecondView);
    connect(removeAll, &QPushButton::clicked, this, [this] { RemoveAllAdsAction(); });
    buttons->addWidget(back);
    buttons->addStretch(1);
    buttons->addWidget(remove);
    buttons->addWidget(removeAll);
    second->addLayout(buttons);

    layout->addWidget(adsRemoveFirstView);
    layout->addWidget(adsRemoveSecondView);
    view_ = page;
}

void PRAdsRemoveController::showView(QWidget* container) {
    QWidget* page = view();
    pagehost::place(container, page);
    page->show();
    changeToRemoveFirstView();
    theFalshView->hide();
}

void PRAdsRemoveController::changeToRemoveFirstView() {
    view();
    adsRemoveFirstView->show();
    adsRemoveSecondView->hide();
}

void PRAdsRemoveController::changeToRemoveSecondView() {
    view();
    adsRemoveFirstView->hide();
    adsRemoveSecondView->show();
}

void PRAdsRemoveController::MyScanbuttonMouseDownHandle(const NSNotification& notification) {
    if (!scanButton || notification.sender() != static_cast<const void*>(static_cast<PRNotifyingButton*>(scanButton)))
        return;
    if (bStartScan) return;
    bStartScan = true;
    scanButton->setImageNamed("scanDown.png");
    StartScanAppAdsAction();
}

void PRAdsRemoveController::StartScanAppAdsAction(QObject*) {
    view();
    theFalshView->show();
    theFalshView->startFlash();
    scanning_ = true;
    const int device = deviceIndex;
    scans_.enqueue([this, device] { StartScanAppAdsThread(device); });
}

QImage PRAdsRemoveController::getIPhoneAppIconwith(amd::FileService& container, const std::string& bundleId) {
    const std::string folder = paths::resolve("/tmp/Icon");
    if (folder.empty() || !paths::makeDirectories(folder)) return {};
    const QString local = QString::fromStdString(folder) + QLatin1Char('/') +
                          clean::safeLocalName(QString::fromStdString(bundleId) + QStringLiteral(".png"));
    amd::copyToOwnFile(container, "/iTunesArtwork", local.toStdString());
    QImageReader reader(local);
    return reader.read();  // null when there is no readable picture
}

void PRAdsRemoveController::StartScanAppAdsThread(int device) {
    clean::AdCacheScan::Options options;
    options.deviceIndex = device;
    options.deviceConnected = [this] { return !scans_.isCancelled() && (!deviceConnected || deviceConnected()); };
    options.fragments = adPlatArray;
    options.icon = &PRAdsRemoveController::getIPhoneAppIconwith;
    options.progress = [this](float ratio) {
        performOnMainThread(
            this,
            [this, ratio] {
                for (PRProgressView* bar : bars()) bar->setProgressValue(ratio);
            },
            true);
    };
    options.showBundleId = [this](const QString& bundleId) {
        performOnMainThread(
            this,
            [this, bundleId] {
                for (QLabel* label : labels()) label->setText(bundleId);
            },
            true);
    };
    clean::AdCacheScan scan(services_, options);
    const bool finished = scan.run() == clean::AdCacheScan::Outcome::Finished;
    performOnMainThread(
        this,
        [this, finished, &scan] {
            if (finished) {
                StartScanAppAdsThreadOnMainThread(scan.records());
                return;
            }
            // The device went away or its apps could not be listed: back to a screen that can
            // scan again, saying why when the device is still there.
            theFalshView->stopFlash();
            BackToScanAdsAction();
            if (scan.failureReason().empty()) return;
            AlertRequest alert;
            alert.messageText = QString::fromStdString(scan.failureReason());
            alert.buttons = QStringList{tr(" Ok ")};
            alert.window = view_ ? view_->window() : nullptr;
            dialogs::runAlert(alert);
        },
        true);
    scanning_ = false;
}

void PRAdsRemoveController::StartScanAppAdsThreadOnMainThread(std::vector<PRAppAdsRemoveNodePtr> records) {
    for (PRProgressView* bar : bars()) bar->setProgressValue(0);
    for (QLabel* label : labels()) label->clear();
    changeToRemoveSecondView();
    adsRemoveArray = std::move(records);
    std::vector<PRAppAdsRemoveNodePtr> sorted = adsRemoveArray;
    clean::sortByAdsPlatformCount(sorted);
    adsController->setContent(std::move(sorted));
    adTableView->clearSelection();
    theFalshView->stopFlash();
}

void PRAdsRemoveController::tableViewSelectionDidChange() {
    const QModelIndexList rows = adTableView->selectionModel()->selectedRows();
    if (!rows.isEmpty()) currentRemoveNode = adsController->objectAt(rows.first().row());
}

void PRAdsRemoveController::RemoveAdsAction(QObject*) {
    const QModelIndexList rows = adTableView ? adTableView->selectionModel()->selectedRows() : QModelIndexList{};
    if (rows.isEmpty()) return;
    currentRemoveNode = adsController->objectAt(rows.first().row());
    if (!currentRemoveNode) return;
    if (currentRemoveNode->isLive()) {
        removeRecords({currentRemoveNode});
        return;
    }
    AlertRequest alert;
    alert.messageText = tr("No ads detected, please contact us for further assistance or choose other ads to remove.");
    alert.buttons = QStringList{tr(" Ok ")};
    alert.window = view_ ? view_->window() : nullptr;
    dialogs::runAlert(alert);
}

void PRAdsRemoveController::RemoveAllAdsAction(QObject*) {
    std::vector<PRAppAdsRemoveNodePtr> live;
    for (const auto& record : adsController->content())
        if (record->isLive()) live.push_back(record);
    removeRecords(std::move(live));
}

void PRAdsRemoveController::removeRecords(std::vector<PRAppAdsRemoveNodePtr> records) {
    if (records.empty()) return;
    std::vector<std::pair<QString, QStringList>> work;
    for (const auto& record : records) work.emplace_back(record->appBundleID, record->appAdsPlatArray);
    pool_.enqueue([this, device = deviceIndex, records, work] {
        clean::AdCacheRemover remover(services_, device);
        bool failed = false;
        QString detail;  // the first folder that stayed, and why
        for (size_t i = 0; i < work.size(); ++i) {
            const clean::AdRemovalResult result = remover.removeFolders(work[i].first, work[i].second);
            failed = failed || !result.ok();
            if (detail.isEmpty()) detail = result.failureDetail();
            performOnMainThread(
                this,
                [=, this] {
                    const PRAppAdsRemoveNodePtr& record = records[i];
                    QStringList remaining;
                    for (const QString& path : record->appAdsPlatArray)
                        if (!result.removedPaths.contains(path)) remaining << path;
                    record->appAdsPlatArray = remaining;
                    record->appPlatformCount = QString::number(remaining.size());
                    if (remaining.isEmpty()) record->appAdsState = QStringLiteral("Removed");
                    adsController->reloadData();
                },
                true);
        }
        if (failed)
            performOnMainThread(
                this,
                [this, detail] {
                    showActionFailure(
                        this, [this]() -> QWidget* { return view_ ? view_->window() : nullptr; },
                        tr("Some advertising caches could not be removed from the device."), detail);
                },
                false);
    });
}

void PRAdsRemoveController::BackToScanAdsAction(QObject*) {
    view();
    changeToRemoveFirstView();
    bStartScan = false;
    theFalshView->hide();
    scanButton->setImageNamed("scanNom.png");
    adsController->setContent({});
    adsRemoveArray.clear();
}
