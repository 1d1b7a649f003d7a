// The system-boost page itself: its scan pane and list pane, and the scan.
#include "clean/PRSystemBoostViewController.h"

#include "appcore/AppState.h"
#include "model/PRRecordFields.h"
#include "platform/Images.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/Threads.h"
#include "widgets/ButtonNotices.h"
#include "widgets/ColumnFit.h"
#include "widgets/FlashView.h"
#include "widgets/PRButton.h"
#include "widgets/PRProgressView.h"
#include "widgets/PageHost.h"

#include <QApplication>
#include <QDialog>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

using clean::BoostCategory;

namespace {

QString categoryTitle(BoostCategory category) {
    switch (category) {
    case BoostCategory::SystemLog: return PRSystemBoostViewController::tr("Crash logs");
    case BoostCategory::DownloadTemp: return PRSystemBoostViewController::tr("Downloads");
    case BoostCategory::UserStorage: return PRSystemBoostViewController::tr("User storage");
    case BoostCategory::SyncFailed: return PRSystemBoostViewController::tr("Sync-failed media");
    case BoostCategory::SyncCache: return PRSystemBoostViewController::tr("Photo edits");
    }
    return {};
}

QString sizeTextOf(uint64_t bytes) { return QString::fromStdString(sizeText(bytes)); }

// Hands the scan's updates to the page on the main thread and waits, as every view update does.
// Nothing of a device that is no longer the page's is shown.
class PageScanSink final : public clean::SystemBoostScanSink {
public:
    PageScanSink(PRSystemBoostViewController& page, DeviceStamp stamp) : page_(page), stamp_(std::move(stamp)) {}
    void showFilePath(BoostCategory category, const QString& path) override {
        PRSystemBoostViewController* page = &page_;
        performOnMainThread(
            page,
            [page, category, path, stamp = stamp_] {
                if (stamp.holds()) page->scanFilePathOnMainThread(category, path);
            },
            true);
    }
    void progress(float value) override {
        PRSystemBoostViewController* page = &page_;
        performOnMainThread(
            page,
            [page, value, stamp = stamp_] {
                if (stamp.holds()) page->scanSystemBoostProgressOnMainThread(value);
            },
            true);
    }

private:
    PRSystemBoostViewController& page_;
    DeviceStamp stamp_;
};

}  // namespace

PRSystemBoostViewController::PRSystemBoostViewController(clean::SystemBoostServices& services, QObject* parent)
    : QObject(parent), services_(services) {
    // The application's state answers; without one (a tool, a test) the device counts as
    // attached and exports go to the default export folder.
    deviceConnected = [] { return AppState::deviceCountsAsConnected(); };
    exportFolder = [] { return AppState::exportFolder(); };
    systemBoostcontroller = new PRSystemBoostController(this);
    notices::MyScanbuttonMouseDown.observe(NSNotificationCenter::defaultCenter(), this,
                                           [this](const NSNotification& n) {
                                               // Buttons post on the main thread; the page acts there.
                                               MyScanbuttonMouseDownHandle(n);
                                           });
}

PRSystemBoostViewController::~PRSystemBoostViewController() {
    endWorkersOf(this, {&pool_, &scans_});
    NSNotificationCenter::defaultCenter().removeObserver(this);
    delete removeWindow;
    delete view_;
}

// ---- Categories -----------------------------------------------------------------------------

std::vector<PRPhoneSystemFileNodePtr>& PRSystemBoostViewController::arrayOf(BoostCategory category) {
    switch (category) {
    case BoostCategory::SystemLog: return systemLogArray;
    case BoostCategory::DownloadTemp: return downloadTempArray;
    case BoostCategory::UserStorage: return userStorageArray;
    case BoostCategory::SyncFailed: return iTunesSyncFailedArray;
    case BoostCategory::SyncCache: break;
    }
    return iTunesSyncCacheArray;
}

uint64_t& PRSystemBoostViewController::sizeOf(BoostCategory category) {
    switch (category) {
    case BoostCategory::SystemLog: return systemlogFileSizeNumber;
    case BoostCategory::DownloadTemp: return downloadtempFileSizeNumber;
    case BoostCategory::UserStorage: return userStorageFileSizeNumber;
    case BoostCategory::SyncFailed: return iTunesSystemFailedFileSizeNumber;
    case BoostCategory::SyncCache: break;
    }
    return iTunesSystemCacheFileSizeNumber;
}

QLabel* PRSystemBoostViewController::sizeLabelOf(BoostCategory category) const {
    switch (category) {
    case BoostCategory::SystemLog: return systemlogFileSizelab;
    case BoostCategory::DownloadTemp: return downloadtempFileSizelab;
    case BoostCategory::UserStorage: return userStorageFileSizelab;
    case BoostCategory::SyncFailed: return iTunesSystemFailedFileSizelab;
    case BoostCategory::SyncCache: break;
    }
    return iTunesSystemCacheFileSizelab;
}

QLabel* PRSystemBoostViewController::pathLabelOf(BoostCategory category) const {
    switch (category) {
    case BoostCategory::SystemLog: return systemlogPathlab;
    case BoostCategory::DownloadTemp: return downloadtempPathlab;
    case BoostCategory::UserStorage: return userstoragePathlab;
    case BoostCategory::SyncFailed: return iTunesSystemFailedPathlab;
    case BoostCategory::SyncCache: break;
    }
    return iTunesSystemCachePathlab;
}

QPushButton* PRSystemBoostViewController::buttonOf(BoostCategory category) const {
    switch (category) {
    case BoostCategory::SystemLog: return systemlogButton;
    case BoostCategory::DownloadTemp: return downloadtempButton;
    case BoostCategory::UserStorage: return userStorageButton;
    case BoostCategory::SyncFailed: return iTunesSystemFaileFileButton;
    case BoostCategory::SyncCache: break;
    }
    return iTunesSystemCacheButton;
}

PRProgressView* PRSystemBoostViewController::progressorOf(BoostCategory category) const {
    switch (category) {
    case BoostCategory::SystemLog: return systemlogProgressor;
    case BoostCategory::DownloadTemp: return downloadTempProgressor;
    case BoostCategory::UserStorage: return userStorageProgressor;
    case BoostCategory::SyncFailed: return iTunesSyncFailedProgressor;
    case BoostCategory::SyncCache: break;
    }
    return iTunessystemCacheProgressor;
}

uint64_t PRSystemBoostViewController::totalBytes() const {
    return downloadtempFileSizeNumber + systemlogFileSizeNumber + userStorageFileSizeNumber +
           iTunesSystemCacheFileSizeNumber + iTunesSystemFailedFileSizeNumber;
}

QString PRSystemBoostViewController::exportFolderNow() const {
    return exportFolder ? exportFolder() : AppState::defaultExportFolder();
}

// ---- The page -------------------------------------------------------------------------------

QWidget* PRSystemBoostViewController::view() {
    if (!view_) buildView();
    return view_;
}

QWidget* PRSystemBoostViewController::buildMainView() {
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(24, 20, 24, 16);
    auto* grid = new QGridLayout;
    grid->setHorizontalSpacing(14);
    grid->setVerticalSpacing(6);
    const QFont small("Lucida Grande", 11);
    int line = 0;
    for (BoostCategory category : clean::kBoostCategories) {
        auto* title = new QLabel(categoryTitle(category));
        QFont bold = small;
        bold.setBold(true);
        title->setFont(bold);
        auto* path = new QLabel(clean::boostFolderOf(category));
        path->setFont(small);
        path->setMinimumWidth(200);
        path->setTextFormat(Qt::PlainText);
        auto* size = new QLabel;
        size->setFont(small);
        size->setMinimumWidth(90);
        size->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        auto* button = new QPushButton(tr("Details"));
        auto* bar = new PRProgressView;
        bar->setFixedHeight(10);
        grid->addWidget(title, line, 0);
        grid->addWidget(path, line, 1);
        grid->addWidget(size, line, 2);
        grid->addWidget(button, line, 3);
        grid->addWidget(bar, line + 1, 0, 1, 4);
        line += 2;
        connect(button, &QPushButton::clicked, this, [this, category] { showCategory(category); });
        switch (category) {
        case BoostCategory::SystemLog:
            systemlogPathlab = path, systemlogFileSizelab = size, systemlogButton = button, systemlogProgressor = bar;
            break;
        case BoostCategory::DownloadTemp:
            downloadtempPathlab = path, downloadtempFileSizelab = size, downloadtempButton = button,
            downloadTempProgressor = bar;
            break;
        case BoostCategory::UserStorage:
            userstoragePathlab = path, userStorageFileSizelab = size, userStorageButton = button,
            userStorageProgressor = bar;
            break;
        case BoostCategory::SyncFailed:
            iTunesSystemFailedPathlab = path, iTunesSystemFailedFileSizelab = size,
            iTunesSystemFaileFileButton = button, iTunesSyncFailedProgressor = bar;
            break;
        case BoostCategory::SyncCache:
            iTunesSystemCachePathlab = path, iTunesSystemCacheFileSizelab = size, iTunesSystemCacheButton = button,
            iTunessystemCacheProgressor = bar;
            break;
        }
    }
    grid->setColumnStretch(1, 1);
    layout->addLayout(grid);
    layout->addStretch(1);
    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    theFalshView = new FlashView;
    theFalshView->setFixedSize(40, 40);
    bottom->addWidget(theFalshView);
    scanButton = new PRScanButton;
    scanButton->setFixedSize(150, 44);
    bottom->addWidget(scanButton);
    bottom->addStretch(1);
    layout->addLayout(bottom);
    setScanButtonImage(QStringLiteral("scanNom.png"), tr("Scan"));
    return pane;
}

QWidget* PRSystemBoostViewController::buildResultView() {
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 8);
    systemBoostImageView = new QLabel;
    systemBoostImageView->setFixedHeight(28);
    // The band image stretches behind the category's name.
    QString band = QStringLiteral("background-color: #34507a;");
    if (!images::imageNamed(QStringLiteral("tabHeadImage.png")).isNull())
        band = QStringLiteral("border-image: url(%1) 0 0 0 0 stretch stretch;")
                   .arg(QString::fromStdString(paths::resourcesDirectory()) + "/images/tabHeadImage.png");
    systemBoostImageView->setStyleSheet(QStringLiteral("QLabel { %1 color: white; padding-left: 10px; }").arg(band));
    layout->addWidget(systemBoostImageView);
    systemBoostTableview = new QTableView;
    systemBoostTableview->setModel(systemBoostcontroller);
    systemBoostTableview->setFont(QFont("Lucida Grande", 11));
    systemBoostTableview->setSelectionBehavior(QAbstractItemView::SelectRows);
    systemBoostTableview->setSelectionMode(QAbstractItemView::ExtendedSelection);
    systemBoostTableview->setEditTriggers(QAbstractItemView::NoEditTriggers);
    systemBoostTableview->setAlternatingRowColors(true);
    systemBoostTableview->verticalHeader()->hide();
    columnfit::fitColumns(systemBoostTableview);
    layout->addWidget(systemBoostTableview, 1);
    auto* buttons = new QHBoxLayout;
    buttons->setContentsMargins(12, 0, 12, 0);
    backButton = new QPushButton(tr("Back"));
    removeButton = new QPushButton(tr("Remove"));
    // One of the row's actions, like its neighbours.
    exportButton = new QPushButton(tr("Export"));
    buttons->addWidget(backButton);
    buttons->addStretch(1);
    buttons->addWidget(removeButton);
    buttons->addWidget(exportButton);
    layout->addLayout(buttons);
    connect(backButton, &QPushButton::clicked, this, [this] { BackAction(); });
    connect(removeButton, &QPushButton::clicked, this, [this] { RemoveOneFileAction(); });
    connect(exportButton, &QPushButton::clicked, this, [this] { ExportOneFileAction(); });
    return pane;
}

void PRSystemBoostViewController::buildView() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("SystemBoost"));
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    mainView = buildMainView();
    ResultView = buildResultView();
    layout->addWidget(mainView);
    layout->addWidget(ResultView);
    view_ = page;
    buildRemoveWindow();
    showMainView();
    showIdle();
}

void PRSystemBoostViewController::showIdle() {
    for (BoostCategory category : clean::kBoostCategories) {
        sizeLabelOf(category)->hide();
        pathLabelOf(category)->clear();
        pathLabelOf(category)->show();
        buttonOf(category)->setEnabled(false);
        progressorOf(category)->setProgressValue(0);
    }
    theFalshView->stopFlash();
    theFalshView->hide();
    scanButton->setEnabled(true);
    setScanButtonImage(QStringLiteral("scanNom.png"), tr("Scan"));
}

void PRSystemBoostViewController::showView(QWidget* container) {
    QWidget* page = view();
    pagehost::place(container, page);
    page->show();
    // The panel as the user left it (idle, scanned or done).
    showMainView();
}

void PRSystemBoostViewController::showMainView() {
    view();
    ResultView->hide();
    mainView->show();
}

void PRSystemBoostViewController::showResultView() {
    view();
    mainView->hide();
    ResultView->show();
}

void PRSystemBoostViewController::BackAction(QObject*) { showMainView(); }

void PRSystemBoostViewController::setScanButtonImage(const QString& name, const QString& fallbackText) {
    scanButton->setImageNamed(name);
    // Without its image the button shows its title on a plain face.
    const bool plain = scanButton->image().isNull();
    scanButton->setText(plain ? fallbackText : QString());
    scanButton->setAutoFillBackground(plain);
    QPalette palette = scanButton->palette();
    const QColor face = scanButton->isEnabled() ? QColor(61, 123, 217) : QColor(150, 160, 175);
    palette.setColor(QPalette::Window, face);
    palette.setColor(QPalette::Button, face);
    palette.setColor(QPalette::ButtonText, Qt::white);
    scanButton->setPalette(palette);
    scanButton->update();
}

void PRSystemBoostViewController::showCategory(BoostCategory category) {
    showResultView();
    shownCategory_ = int(category);
    systemBoostImageView->setText(categoryTitle(category));
    const auto& records = arrayOf(category);
    systemBoostcontroller->setContent({records.begin(), records.end()});
    systemBoostTableview->clearSelection();
}

void PRSystemBoostViewController::ClickDownloadAction(QObject*) { showCategory(BoostCategory::DownloadTemp); }
void PRSystemBoostViewController::ClickSystemLogAction(QObject*) { showCategory(BoostCategory::SystemLog); }
void PRSystemBoostViewController::ClickUsesStorageAction(QObject*) { showCategory(BoostCategory::UserStorage); }
void PRSystemBoostViewController::ClickiTunesCacheAction(QObject*) { showCategory(BoostCategory::SyncCache); }
void PRSystemBoostViewController::ClickiTunesSyncfailedAction(QObject*) { showCategory(BoostCategory::SyncFailed); }

// ---- Scan -----------------------------------------------------------------------------------

void PRSystemBoostViewController::setDeviceIndex(int index) {
    deviceIndex = index;
    tie_.tieTo(index);
}

void PRSystemBoostViewController::dropDeviceResults() {
    bStartScan = bScanFinished = removedAll_ = false;
    totalFileNumber = 0;
    for (BoostCategory category : clean::kBoostCategories) {
        arrayOf(category).clear();
        sizeOf(category) = 0;
    }
    removalsUnderWay_.clear();
    shownCategory_ = -1;
    if (!view_) return;
    systemBoostcontroller->setContent({});
    showIdle();
    showMainView();
}

void PRSystemBoostViewController::MyScanbuttonMouseDownHandle(const NSNotification& notification) {
    if (!scanButton || notification.sender() != scanButton) return;
    tie_.tieTo(deviceIndex);
    if (bStartScan) return;
    if (removing_) return;
    if (removedAll_) {
        // "Done": the panel goes back to idle, ready for a new scan.
        removedAll_ = false;
        bScanFinished = false;
        totalFileNumber = 0;
        for (BoostCategory category : clean::kBoostCategories) {
            arrayOf(category).clear();
            sizeOf(category) = 0;
        }
        showIdle();
        return;
    }
    if (bScanFinished) {
        if (!resultsSettle_.settled()) return;
        RemoveAllFilesAction();
        return;
    }
    totalFileNumber = 0;
    bStartScan = true;
    for (BoostCategory category : clean::kBoostCategories) progressorOf(category)->setProgressValue(0);
    setScanButtonImage(QStringLiteral("scanDown.png"), tr("Scanning..."));
    theFalshView->show();
    theFalshView->startFlash();
    StartSystemCleanupAction();
}

void PRSystemBoostViewController::StartSystemCleanupAction(QObject*) {
    scans_.enqueue([this, stamp = tie_.tieTo(deviceIndex)] { StartSystemCleanupThread(stamp); });
}

void PRSystemBoostViewController::StartSystemCleanupThread(const DeviceStamp& stamp) {
    const auto onlyItsDevice = stamp.onlyThisDevice();
    PageScanSink sink(*this, stamp);
    clean::SystemBoostScan::Options options;
    options.deviceIndex = stamp.index();
    // The scan also ends early once the page goes, or once its device is no longer the page's.
    options.deviceConnected = [this, &stamp] {
        return !scans_.isCancelled() && (!deviceConnected || deviceConnected()) && stamp.holds();
    };
    clean::SystemBoostScan scan(services_, options, sink);
    scan.run();
    performOnMainThread(
        this,
        [this, &scan, &stamp] {
            if (stamp.holds()) FinishScanSystemThreadOnMainThread(scan);
        },
        true);
}

void PRSystemBoostViewController::scanSystemBoostProgressOnMainThread(float value) {
    for (BoostCategory category : clean::kBoostCategories) progressorOf(category)->setProgressValue(value);
}

void PRSystemBoostViewController::scanFilePathOnMainThread(BoostCategory category, const QString& path) {
    pathLabelOf(category)->setText(path);
}

void PRSystemBoostViewController::FinishScanSystemThreadOnMainThread(clean::SystemBoostScan& scan) {
    bStartScan = false;
    bScanFinished = true;
    totalFileNumber = scan.totalFileNumber();
    for (BoostCategory category : clean::kBoostCategories) {
        clean::BoostFiles& found = scan.found(category);
        arrayOf(category) = std::move(found.files);
        sizeOf(category) = found.bytes;
        pathLabelOf(category)->hide();
        sizeLabelOf(category)->show();
        buttonOf(category)->setEnabled(sizeOf(category) != 0);
        sizeLabelOf(category)->setText(sizeTextOf(sizeOf(category)));
        progressorOf(category)->setProgressValue(1.0f);
    }
    setScanButtonImage(QStringLiteral("RemoveBtnNom.png"), tr("Remove All"));
    resultsSettle_.resultsShown();
    theFalshView->stopFlash();
    theFalshView->hide();
}

void PRSystemBoostViewController::showSizeOf(BoostCategory category) {
    sizeLabelOf(category)->setText(sizeTextOf(sizeOf(category)));
    buttonOf(category)->setEnabled(sizeOf(category) != 0);
}
