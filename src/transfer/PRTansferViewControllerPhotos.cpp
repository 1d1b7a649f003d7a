// The photo sub-view: the camera roll copied from the device into local copies and shown as
// they arrive in an icon grid, with a zoom slider and a context menu that exports the selected
// photos or all of them into a folder the user chooses.
#include "appcore/AppShell.h"
#include "clean/core/CleanDeviceServices.h"
#include "platform/Counted.h"
#include "platform/Dialogs.h"
#include "platform/NewFile.h"
#include "platform/NotificationCenter.h"
#include "platform/Threads.h"
#include "transfer/PRTansferViewController.h"
#include "transfer/PhotoBrowserModel.h"
#include "transfer/TransferNotices.h"
#include "widgets/ActionResultLine.h"
#include "widgets/NothingSelected.h"

#include <QAction>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QSlider>
#include <QVBoxLayout>
#include <algorithm>

namespace {

constexpr int kSmallestIcon = 64;
// The slider's steps; its value over this is the zoom (0 to 1).
constexpr int kZoomSteps = 100;

QSize iconSizeForZoom(double zoom) {
    const int side =
        kSmallestIcon + int((PhotoBrowserModel::kThumbnailSide - kSmallestIcon) * std::clamp(zoom, 0.0, 1.0));
    return {side, side * 3 / 4};
}

}  // namespace

void PRTansferViewController::buildPhotoView() {
    auto* layout = new QVBoxLayout(photoView);
    layout->setContentsMargins(16, 12, 16, 8);
    auto* header = new QHBoxLayout;
    auto* title = new QLabel(tr("Photos"), photoView);
    title->setStyleSheet("font-size: 16px; font-weight: bold;");
    photoCountlab = new QLabel(photoView);
    photoCountlab->setObjectName("photoCountlab");
    header->addWidget(title);
    header->addStretch(1);
    header->addWidget(photoCountlab);
    layout->addLayout(header);

    photoModel_ = new PhotoBrowserModel(this);
    imageBroswerView = new QListView(photoView);
    imageBroswerView->setObjectName("imageBroswerView");
    imageBroswerView->setModel(photoModel_);
    imageBroswerView->setViewMode(QListView::IconMode);
    imageBroswerView->setResizeMode(QListView::Adjust);
    imageBroswerView->setMovement(QListView::Static);
    imageBroswerView->setUniformItemSizes(true);
    imageBroswerView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    imageBroswerView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    imageBroswerView->setSpacing(8);
    imageBroswerView->setWordWrap(true);
    imageBroswerView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(imageBroswerView, &QListView::customContextMenuRequested, this, [this](const QPoint& at) {
        const QModelIndex index = imageBroswerView->indexAt(at);
        imageBrowsercellWasRightClickedAtIndex(index.isValid() ? index.row() : -1,
                                               imageBroswerView->viewport()->mapToGlobal(at));
    });
    layout->addWidget(imageBroswerView, 1);
    // The exports' keys work in the grid as the menu shows them.
    photoExportSelected_ = new QAction(tr("Export Selected to Mac..."), imageBroswerView);
    photoExportSelected_->setShortcut(QKeySequence(Qt::SHIFT | Qt::Key_E));
    connect(photoExportSelected_, &QAction::triggered, this, [this] { ExportSelectedPhotoToMac(nullptr); });
    photoExportAll_ = new QAction(tr("Export All to Mac..."), imageBroswerView);
    photoExportAll_->setShortcut(QKeySequence(Qt::Key_E));
    connect(photoExportAll_, &QAction::triggered, this, [this] { ExportAllPhotoToMac(nullptr); });
    for (QAction* action : {photoExportSelected_, photoExportAll_}) {
        action->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        imageBroswerView->addAction(action);
    }

    auto* footer = new QHBoxLayout;
    footer->addStretch(1);
    footer->addWidget(new QLabel(tr("Zoom"), photoView));
    zoomSlider = new QSlider(Qt::Horizontal, photoView);
    zoomSlider->setObjectName("zoomSlider");
    zoomSlider->setRange(0, kZoomSteps);
    zoomSlider->setValue(kZoomSteps / 4);
    zoomSlider->setFixedWidth(160);
    footer->addWidget(zoomSlider);
    layout->addLayout(footer);
    connect(zoomSlider, &QSlider::valueChanged, this, [this] { zoomSliderDidChange(zoomSlider); });
    zoomSliderDidChange(zoomSlider);
    updatePhotoCount();
}

void PRTansferViewController::updatePhotoCount() {
    photoCountlab->setText(bImageStartTransfer
                               ? counted(imageArray.size(), "item", "items") + tr(", copying from the device...")
                               : counted(imageArray.size(), "item", "items"));
}

void PRTansferViewController::zoomSliderDidChange(QSlider* slider) {
    imageBroswerView->setIconSize(iconSizeForZoom(double(slider->value()) / kZoomSteps));
    const QSize icon = imageBroswerView->iconSize();
    imageBroswerView->setGridSize({icon.width() + 24, icon.height() + 40});
    imageBroswerView->viewport()->update();
}

// ---- Scan -------------------------------------------------------------------------------------

void PRTansferViewController::ShowPhoto(int device) {
    view();
    tie_.tieTo(device);
    if (bImageStartTransfer || bPhotoLoadFinished) return;
    tranferDevice = device;
    // A scan that stopped part-way starts over: its items come again.
    imageArray.clear();
    photoModel_->clear();
    bImageStartTransfer = true;
    updatePhotoCount();
    if (AppShell* app = AppShell::current()) app->photoScanhasStartHandle();
    StartPhotoThread();
}

void PRTansferViewController::StartPhotoThread() {
    const DeviceStamp stamp = tie_.tieTo(tranferDevice);
    const std::function<bool()> connected = deviceConnected;
    scanWorkers_.start([this, stamp, connected](const std::atomic<bool>& cancelled) {
        const auto onlyItsDevice = stamp.onlyThisDevice();
        transfer::PhotoTransferScan scan(clean::deviceCleanServices(), stamp.index());
        const transfer::PhotoScanResult result = scan.run(
            [this, &cancelled, &stamp](const IKImageItem& item) {
                // The grid grows one file at a time; the worker waits for each to be shown.
                if (cancelled) return;
                performOnMainThread(
                    this,
                    [this, item, &stamp] {
                        if (!scanWorkers_.cancelled() && stamp.holds()) UpImageDataSource(item);
                    },
                    true);
            },
            [&cancelled, &connected, &stamp] { return !cancelled && (!connected || connected()) && stamp.holds(); });
        if (cancelled) return;
        performOnMainThread(
            this,
            [this, result, &stamp] {
                if (!scanWorkers_.cancelled() && stamp.holds()) ScanphotoFinishHandle(result);
            },
            true);
    });
}

void PRTansferViewController::UpImageDataSource(const IKImageItem& item) {
    imageArray.push_back(item);
    photoModel_->append({item});
    updatePhotoCount();
}

void PRTansferViewController::ScanphotoFinishHandle(const transfer::PhotoScanResult& result) {
    // A scan that could not reach the device, or that the device left, is tried again at the
    // next visit; the busy indicator goes either way.
    bPhotoLoadFinished = result.serviceStarted && !result.stopped;
    bImageStartTransfer = false;
    updatePhotoCount();
    notices::photoScanFinished.post(NSNotificationCenter::defaultCenter());
}

// ---- Context menu and exports ------------------------------------------------------------------

void PRTansferViewController::imageBrowsercellWasRightClickedAtIndex(int, const QPoint& globalPosition) {
    delete photoContextMenu_;
    photoContextMenu_ = new QMenu(QStringLiteral("menu"), imageBroswerView);
    photoContextMenu_->setObjectName("photoMenu");
    photoContextMenu_->addAction(photoExportSelected_);
    photoContextMenu_->addAction(photoExportAll_);
    photoMenu = photoContextMenu_;
    photoContextMenu_->popup(globalPosition);
}

void PRTansferViewController::ExportSelectedPhotoToMac(QObject*) {
    if (!imageBroswerView->selectionModel()->hasSelection()) {
        tellWhatToSelect(alertWindow(), tr("Select the photos to export first."));
        return;
    }
    setExportRequest(&bPhotoSelectedExport);
    ExportOpenpanelAction();
}

void PRTansferViewController::ExportAllPhotoToMac(QObject*) {
    setExportRequest(&bPhotoAllExport);
    ExportOpenpanelAction();
}

void PRTansferViewController::ExportSelectedPhotoToMacThread() {
    // The selection is read here, on the main thread, before the worker starts.
    QModelIndexList rows = imageBroswerView->selectionModel()->selectedIndexes();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<IKImageItem> items;
    for (const QModelIndex& index : rows)
        if (index.row() < int(imageArray.size())) items.push_back(imageArray[size_t(index.row())]);
    startPhotoExport(std::move(items));
}

void PRTansferViewController::ExportAllPhotoToMacThread() { startPhotoExport(imageArray); }

// The folder was shown when the panel closed: the exported files are not shown again one by
// one (a window each), whether all or some were asked for.
void PRTansferViewController::startPhotoExport(std::vector<IKImageItem> items) {
    const QString folder = exportPath;
    exportWorkers_.start([this, items = std::move(items), folder](const std::atomic<bool>& cancelled) {
        // A photo whose bytes are there already, under its name or a numbered one, stays as it is.
        const files::SkipFilesAlreadyThere keepTheFirst;
        const transfer::PhotoExportResult result = transfer::exportPhotos(items, folder, &cancelled);
        if (cancelled) return;
        performOnMainThread(
            this,
            [this, result] {
                if (!exportWorkers_.cancelled()) finishPhotoExport(result);
            },
            true);
    });
}

void PRTansferViewController::finishPhotoExport(const transfer::PhotoExportResult& result) {
    ++photoExportsFinished_;
    // The save panel's folder was shown when the export started.
    if (const QString line = exportedCount(result.files, result.alreadyThere, "photo", "photos"); !line.isEmpty())
        tellActionDone(view(), line, result.folder, false);
    if (!result.ok()) {
        AlertRequest alert;
        alert.messageText = counted(result.failures, "photo", "photos") + tr(" could not be exported.");
        alert.informativeText = tr("%1: %2").arg(result.firstFailurePath, result.firstFailureReason);
        alert.style = AlertRequest::Style::Warning;
        if (AppShell* app = AppShell::current()) alert.window = app->window();
        dialogs::runAlert(alert);
    }
}
