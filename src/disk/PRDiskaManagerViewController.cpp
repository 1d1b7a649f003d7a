#include "disk/PRDiskaManagerViewController.h"

#include "appcore/AppShell.h"
#include "clean/PRCleanViewController.h"
#include "disk/DiskAppListController.h"
#include "disk/DiskBookListController.h"
#include "disk/DiskMusicListController.h"
#include "disk/DiskPageParts.h"
#include "disk/DiskPhotoListController.h"
#include "disk/PRSystemLibTreeController.h"
#include "disk/PRSystemlibFileController.h"
#include "disk/core/UsageOverview.h"
#include "model/PRRecordFields.h"
#include "platform/Images.h"
#include "platform/NotificationCenter.h"
#include "platform/Threads.h"
#include "widgets/ButtonNotices.h"
#include "widgets/ColumnFit.h"
#include "widgets/PRButton.h"
#include "widgets/PRProgressView.h"

#include <QCoreApplication>
#include <QFont>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QSplitter>
#include <QStackedWidget>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>

using disk::DiskCategory;
using disk::DiskScanGroup;

namespace {

void setArrow(QPushButton* button, bool enabled) {
    button->setEnabled(enabled);
    button->setIcon(QPixmap::fromImage(images::imageNamed(enabled ? "arrowright.png" : "arrowrightUnNom.png")));
}

using diskpages::textLabel;

constexpr int kDetailWidth = 170;

}  // namespace

PRDiskaManagerViewController::PRDiskaManagerViewController(QObject* parent)
    : PRDiskaManagerViewController(disk::deviceDiskServices(), parent) {}

PRDiskaManagerViewController::PRDiskaManagerViewController(disk::DiskDeviceServices& services, QObject* parent)
    : PageController("PRDiskManageView", parent), services_(services) {
    libTreeController = new PRSystemLibTreeController(this);
    libFileController = new PRSystemlibFileController(this);
    muiscFileController = new DiskMusicListController(this);
    videoFileController = new DiskMusicListController(this);
    photoFileController = new DiskPhotoListController(this);
    booksFileController = new DiskBookListController(this);
    appFileController = new DiskAppListController(this);
    systemAppFileController = new DiskAppListController(this);
    libTreeController->setRefreshOutlineHandler([this] { refreshOutlineView(); });
    notices::MyDiskManagebuttonMouseDown.observe(
        NSNotificationCenter::defaultCenter(), this,
        [this](const NSNotification& n) { MyDiskManagebuttonMouseDownHandle(n); });
}

PRDiskaManagerViewController::~PRDiskaManagerViewController() {
    NSNotificationCenter::defaultCenter().removeObserver(this);
    stopping_ = true;
    threads_.stop();
    endWorkersOf(this, {&exportWorkers_});
    // A scan may be waiting for one of its hand-offs: deliver them (they are dropped now) so
    // that it sees the stop and ends.
    QCoreApplication* app = QCoreApplication::instance();
    const bool onMainThread = app && NSThread::isMainThread();
    threads_.wait(std::chrono::seconds(60), [app, onMainThread] {
        if (onMainThread) QCoreApplication::sendPostedEvents(app, QEvent::MetaCall);
    });
}

// ---- Panes ----------------------------------------------------------------------------------

void PRDiskaManagerViewController::buildView(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    pages_ = new QStackedWidget(page);
    layout->addWidget(pages_);
    diskStateView = buildStateView();
    diskTableView = buildTableView();
    musicFileView = buildResultPage(
        tr("Music"), musicHeadImageView, musicFileTableView, muiscFileController, "musicFileView",
        buildDetailPane("musicPreview", musicPreviewImage, musicPreviewFileName, &musicPreviewFileSize));
    photoFileView = buildResultPage(
        tr("Photos"), photoHeadImageView, photoFileTableview, photoFileController, "photoFileView",
        buildDetailPane("photoPreview", photoPreviewImage, photoPreviewFileName, &photoPreviewFileSize));
    videoFileView = buildResultPage(
        tr("Videos"), videoHeadImageView, vidoeFileTableView, videoFileController, "videoFileView",
        buildDetailPane("videoPreview", videoPreviewImage, videoPreviewFileName, &videoPreviewFileSize));
    booksFileView =
        buildResultPage(tr("Books"), bookHeadImageView, bookFileTableview, booksFileController, "booksFileView",
                        buildDetailPane("bookPreview", bookPreviewImage, bookPreviewFileName, nullptr));
    appFileView = buildResultPage(tr("User Apps"), appHeadImageView, appFileTableView, appFileController, "appFileView",
                                  buildDetailPane("appPreview", appPreviewImage, appFileNamelab, &appVersionlab));
    systemAppFileView = buildResultPage(
        tr("System Apps"), systemAppHeadImageView, systemAppFileTableView, systemAppFileController, "systemAppFileView",
        buildDetailPane("systemAppPreview", systemAppPreviewImageView, systemAppNamelb, &systemAppVersionlab));
    userLibDataView = buildUserDataPage();
    const QString remove = tr("Remove"), exportSelected = tr("Export"), exportAll = tr("Export All");
    addActionButtons(photoFileView, {{remove, [this] { RemovePhotoItem(); }},
                                     {exportSelected, [this] { ExportPhotoItem(); }},
                                     {exportAll, [this] { ExportAllPhotoItem(); }}});
    addActionButtons(musicFileView, {{remove, [this] { RemoveMusicItem(); }},
                                     {exportSelected, [this] { ExportMusicItem(); }},
                                     {exportAll, [this] { ExportAllMusicItem(); }}});
    addActionButtons(videoFileView, {{remove, [this] { RemoveVideoItem(); }},
                                     {exportSelected, [this] { ExportVideoItem(); }},
                                     {exportAll, [this] { ExportAllMoviesItem(); }}});
    addActionButtons(booksFileView, {{remove, [this] { RemoveBookItem(); }},
                                     {exportSelected, [this] { ExportBookItem(); }},
                                     {exportAll, [this] { ExportAllBookItem(); }}});
    addActionButtons(appFileView, {{tr("Uninstall"), [this] { UninStallAppData(); }},
                                   {exportSelected, [this] { ExportAppData(); }}});
    addActionButtons(userLibDataView,
                     {{remove, [this] { RemoveUerDataFile(); }}, {exportSelected, [this] { ExportUserData(); }}});
    for (QWidget* p : {diskStateView, diskTableView, musicFileView, photoFileView, videoFileView, booksFileView,
                       appFileView, systemAppFileView, userLibDataView})
        pages_->addWidget(p);
    // The columns fit what they show (setUpSortedTable); the icons of apps and books are large.
    for (QTableView* t : {appFileTableView, systemAppFileTableView}) {
        t->setIconSize(QSize(36, 36));
        t->verticalHeader()->setDefaultSectionSize(40);
    }
    systemAppFileTableView->hideColumn(DiskAppListController::TotalSize);
    bookFileTableview->setIconSize(QSize(36, 36));
    bookFileTableview->verticalHeader()->setDefaultSectionSize(40);
    for (QTableView* t : {photoFileTableview, musicFileTableView, vidoeFileTableView, bookFileTableview,
                          appFileTableView, systemAppFileTableView})
        connect(t->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this, t] { tableViewSelectionDidChange(t); });
}

QWidget* PRDiskaManagerViewController::buildStateView() {
    auto* pane = new QWidget;
    pane->setObjectName("diskStateView");
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(28, 22, 28, 22);
    layout->setSpacing(14);

    auto* top = new QHBoxLayout;
    auto* texts = new QVBoxLayout;
    QLabel* title = textLabel(pane, 16, true);
    title->setText(tr("Disk Manager"));
    QLabel* intro = textLabel(pane, 11);
    intro->setWordWrap(true);
    intro->setText(
        tr("See how the device's space divides between the system and your data, then scan photos, "
           "music, videos, books, apps and your files to find what takes the room."));
    texts->addWidget(title);
    texts->addWidget(intro);
    top->addLayout(texts, 1);
    diskManageButton = new PRDiskManagButton(pane);
    diskManageButton->setObjectName("diskManageButton");
    diskManageButton->setImageNamed("scanNom.png");
    diskManageButton->setFixedSize(150, 48);
    top->addWidget(diskManageButton, 0, Qt::AlignVCenter);
    layout->addLayout(top);

    auto* areas = new QGridLayout;
    areas->setHorizontalSpacing(16);
    areas->setVerticalSpacing(8);
    areas->setColumnStretch(1, 1);
    auto area = [&](int row, const QString& name, PRProgressView*& bar, QLabel*& used, QLabel*& free) {
        QLabel* head = PRCleanViewController::headerBand(pane, name);
        head->setFixedWidth(150);
        head->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        bar = new PRProgressView(pane);
        bar->setFixedHeight(18);
        bar->setMinimumWidth(240);
        used = textLabel(pane, 11);
        free = textLabel(pane, 11);
        used->setMinimumWidth(170);
        free->setMinimumWidth(170);
        areas->addWidget(head, row * 2, 0);
        areas->addWidget(bar, row * 2, 1);
        auto* figures = new QHBoxLayout;
        figures->addWidget(used);
        figures->addWidget(free);
        figures->addStretch(1);
        areas->addLayout(figures, row * 2 + 1, 1);
    };
    area(0, tr("iOS"), systemProgress, iOSUsedlab, iOSFreelab);
    area(1, tr("User Data"), userDataProgress, userUsedlab, userFreelab);
    iOSUsedlab->setObjectName("iOSUsedlab");
    iOSFreelab->setObjectName("iOSFreelab");
    userUsedlab->setObjectName("userUsedlab");
    userFreelab->setObjectName("userFreelab");
    layout->addLayout(areas);
    layout->addStretch(1);
    setDiskManageDeviceWithAllUserData(allUserData, freeData, allIOSData, iosFreeData);
    return pane;
}

QWidget* PRDiskaManagerViewController::buildTableView() {
    auto* pane = new QWidget;
    pane->setObjectName("diskTableView");
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(28, 18, 28, 18);
    layout->setSpacing(10);
    auto* top = new QHBoxLayout;
    QLabel* title = textLabel(pane, 16, true);
    title->setText(tr("Disk Manager"));
    top->addWidget(title, 1);
    // Every category scanned again, as after removals.
    auto* again = new QPushButton(tr("Scan Again"), pane);
    again->setObjectName("diskTableScanAgainButton");
    connect(again, &QPushButton::clicked, this, [this] { ScanDiskUsage(); });
    top->addWidget(again);
    auto* back = new QPushButton(tr("Back"), pane);
    back->setObjectName("diskTableBackButton");
    connect(back, &QPushButton::clicked, this, [this] { BackToDiskTalbeView(); });
    top->addWidget(back);
    layout->addLayout(top);

    auto* rows = new QGridLayout;
    rows->setHorizontalSpacing(14);
    rows->setVerticalSpacing(14);
    rows->setColumnStretch(1, 1);
    auto makeRow = [&](int row, const QString& name, const char* objectName, PRProgressView*& bar, QLabel*& size,
                       QPushButton*& button, DiskCategory category) {
        QLabel* head = PRCleanViewController::headerBand(pane, name);
        head->setFixedWidth(180);
        head->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        bar = new PRProgressView(pane);
        bar->setFixedHeight(14);
        bar->setMinimumWidth(200);
        size = textLabel(pane, 11);
        size->setMinimumWidth(100);
        button = new QPushButton(pane);
        button->setObjectName(objectName);
        button->setFlat(true);
        button->setFixedSize(28, 28);
        button->setIconSize(QSize(18, 18));
        rows->addWidget(head, row, 0);
        rows->addWidget(bar, row, 1);
        rows->addWidget(size, row, 2);
        rows->addWidget(button, row, 3);
        connect(button, &QPushButton::clicked, this, [this, category] { launch(category); });
    };
    makeRow(0, tr("Photos"), "photoScanButton", photoProgress, photoFileSizelab, photoScanButton, DiskCategory::Photos);
    makeRow(1, tr("Music"), "musicScanButton", musicProgress, musicFileSizelab, musicScanButton, DiskCategory::Music);
    makeRow(2, tr("Videos"), "videoScanButton", videoProgress, videoFileSizelab, videoScanButton, DiskCategory::Videos);
    makeRow(3, tr("Books"), "booksScanButton", bookProgress, booksFileSizelab, booksScanButton, DiskCategory::Books);
    makeRow(4, tr("User Apps"), "appScanButton", appProgress, appFileSizelab, appScanButton, DiskCategory::UserApps);
    makeRow(5, tr("System Apps"), "systemAppScanButton", systemAppProgress, systemAppFileSizelab, systemAppScanButton,
            DiskCategory::SystemApps);
    makeRow(6, tr("User Data"), "userLibDataScanButton", userLibDataProgress, userLibDataFileSizelab,
            userLibDataScanButton, DiskCategory::UserData);
    layout->addLayout(rows);
    layout->addStretch(1);
    return pane;
}

QWidget* PRDiskaManagerViewController::buildResultPage(const QString& title, QLabel*& head, QTableView*& table,
                                                       QAbstractItemModel* model, const QString& name,
                                                       QWidget* detail) {
    auto* pane = new QWidget;
    pane->setObjectName(name);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(8);
    auto* top = new QHBoxLayout;
    head = PRCleanViewController::headerBand(pane, title);
    top->addWidget(head, 1);
    // Back to the category summary, where every category and a new scan are at hand.
    auto* back = new QPushButton(tr("Back"), pane);
    connect(back, &QPushButton::clicked, this, [this] { showTableView(); });
    top->addWidget(back);
    layout->addLayout(top);
    table = new QTableView(pane);
    table->setObjectName(name + "Table");
    diskpages::setUpSortedTable(table, model);
    if (!detail) {
        layout->addWidget(table, 1);
        return pane;
    }
    auto* row = new QHBoxLayout;
    row->setSpacing(10);
    row->addWidget(table, 1);
    detail->setParent(pane);
    row->addWidget(detail);
    layout->addLayout(row, 1);
    // The detail shows the chosen row: without one it is empty and gives its room to the table.
    detail->hide();
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, detail,
            [table, detail] { detail->setVisible(table->selectionModel()->hasSelection()); });
    connect(table->model(), &QAbstractItemModel::modelReset, detail,
            [table, detail] { detail->setVisible(table->selectionModel()->hasSelection()); });
    return pane;
}

QWidget* PRDiskaManagerViewController::buildDetailPane(const QString& name, QLabel*& image, QLabel*& fileName,
                                                       QLabel** size) {
    auto* pane = new QWidget;
    pane->setObjectName(name);
    // Narrow enough to leave the table's titles readable at the window's default size.
    pane->setFixedWidth(kDetailWidth);
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);
    image = new QLabel(pane);
    image->setObjectName(name + "Image");
    image->setFixedSize(kDetailWidth, kDetailWidth * 4 / 5);
    image->setAlignment(Qt::AlignCenter);
    image->setStyleSheet("QLabel { background: #f4f7fb; border: 1px solid #d6e2f3; }");
    layout->addWidget(image);
    fileName = textLabel(pane, 11, true);
    fileName->setObjectName(name + "FileName");
    fileName->setWordWrap(true);
    fileName->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    fileName->setMinimumHeight(fileName->fontMetrics().lineSpacing() * 2 + 4);  // room for a long name
    layout->addWidget(fileName);
    if (size) {
        *size = textLabel(pane, 11);
        (*size)->setObjectName(name + "FileSize");
        (*size)->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        layout->addWidget(*size);
    }
    layout->addStretch(1);
    return pane;
}

QWidget* PRDiskaManagerViewController::buildUserDataPage() {
    auto* pane = new QWidget;
    pane->setObjectName("userLibDataView");
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(8);
    auto* top = new QHBoxLayout;
    userlibDataHeadImageView = PRCleanViewController::headerBand(pane, tr("User Data"));
    top->addWidget(userlibDataHeadImageView, 1);
    auto* back = new QPushButton(tr("Back"), pane);
    connect(back, &QPushButton::clicked, this, [this] { showTableView(); });
    top->addWidget(back);
    layout->addLayout(top);
    auto* split = new QSplitter(Qt::Horizontal, pane);
    userLibDataFileOutlineView = new QTreeView(split);
    userLibDataFileOutlineView->setObjectName("userLibDataFileOutlineView");
    userLibDataFileOutlineView->setModel(libTreeController);
    userLibDataFileOutlineView->setHeaderHidden(true);
    userLibDataFileOutlineView->setIconSize(QSize(16, 16));
    userLibDataFileOutlineView->setFont(QFont("Lucida Grande", 11));
    columnfit::showWholeNames(userLibDataFileOutlineView);
    userLibDataFileTableView = new QTableView(split);
    userLibDataFileTableView->setObjectName("userLibDataFileTableView");
    diskpages::setUpSortedTable(userLibDataFileTableView, libFileController);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 5);
    split->setSizes({220, 560});
    layout->addWidget(split, 1);
    connect(userLibDataFileOutlineView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { outlineViewSelectionDidChange(); });
    return pane;
}

PRDiskaManagerViewController::CategoryRow PRDiskaManagerViewController::rowOf(DiskCategory category) const {
    switch (category) {
    case DiskCategory::Photos: return {photoHeadImageView, photoProgress, photoFileSizelab, photoScanButton};
    case DiskCategory::Music: return {musicHeadImageView, musicProgress, musicFileSizelab, musicScanButton};
    case DiskCategory::Videos: return {videoHeadImageView, videoProgress, videoFileSizelab, videoScanButton};
    case DiskCategory::Books: return {bookHeadImageView, bookProgress, booksFileSizelab, booksScanButton};
    case DiskCategory::UserApps: return {appHeadImageView, appProgress, appFileSizelab, appScanButton};
    case DiskCategory::SystemApps:
        return {systemAppHeadImageView, systemAppProgress, systemAppFileSizelab, systemAppScanButton};
    case DiskCategory::UserData: break;
    }
    return {userlibDataHeadImageView, userLibDataProgress, userLibDataFileSizelab, userLibDataScanButton};
}

// ---- Entry points ---------------------------------------------------------------------------

void PRDiskaManagerViewController::showView(QWidget* host) {
    putInto(host);
    view()->show();
    diskDeviceIndex = 0;
    showStateView();
    // Rows of categories scanned before keep their size and their way to the results.
    for (DiskCategory c : {DiskCategory::Photos, DiskCategory::Music, DiskCategory::Videos, DiskCategory::Books,
                           DiskCategory::UserApps, DiskCategory::SystemApps, DiskCategory::UserData}) {
        if (state_.scanFinished(disk::groupOf(c))) continue;
        const CategoryRow row = rowOf(c);
        setArrow(row.button, false);
        row.size->hide();
    }
}

void PRDiskaManagerViewController::setDiskManageDeviceWithAllUserData(uint64_t dataCapacity, uint64_t dataAvailable,
                                                                      uint64_t systemCapacity,
                                                                      uint64_t systemAvailable) {
    allUserData = dataCapacity;
    freeData = dataAvailable;
    allIOSData = systemCapacity;
    iosFreeData = systemAvailable;
    if (!diskStateView) return;  // shown when the page is built
    const disk::UsageArea system = disk::UsageArea::of(systemCapacity, systemAvailable);
    const disk::UsageArea user = disk::UsageArea::of(dataCapacity, dataAvailable);
    iOSUsedlab->setText(QString::fromStdString(system.usedText("iOS Used:")));
    iOSFreelab->setText(QString::fromStdString(system.freeText("iOS Free:")));
    userUsedlab->setText(QString::fromStdString(user.usedText("User Used:")));
    userFreelab->setText(QString::fromStdString(user.freeText("User Free:")));
    systemProgress->setProgressValue(system.ratio);
    userDataProgress->setProgressValue(user.ratio);
}

void PRDiskaManagerViewController::setDiskManageDeviceIndex(int index) {
    diskDeviceIndex = index;
    tie_.tieTo(index);
}

void PRDiskaManagerViewController::dropDeviceResults() {
    state_ = disk::DiskScanState();
    removalsTaken_.clear();
    wholeRun_ = false;
    if (!pages_) return;
    for (DiskScanGroup group : disk::kWholeRunOrder) resetGroup(group);
    diskManageButton->setImageNamed("scanNom.png");
    showStateView();
}

void PRDiskaManagerViewController::launch(DiskCategory category) {
    view();
    const DeviceStamp stamp = tie_.tieTo(diskDeviceIndex);
    switch (state_.launch(category)) {
    case disk::DiskScanState::LaunchAction::ShowResults: showResults(category); return;
    case disk::DiskScanState::LaunchAction::ShowTable: showTableView(); return;
    case disk::DiskScanState::LaunchAction::StartScan: break;
    }
    const DiskScanGroup group = disk::groupOf(category);
    resetGroup(group);
    showTableView();
    threads_.start([this, group, stamp](const std::atomic<bool>&) { runScan(group, stamp); });
}

void PRDiskaManagerViewController::ScanDiskPhotoFiles(QObject*) { launch(DiskCategory::Photos); }
void PRDiskaManagerViewController::ScanDiskMusicFiles(QObject*) { launch(DiskCategory::Music); }
void PRDiskaManagerViewController::ScanDiskVideoFiles(QObject*) { launch(DiskCategory::Videos); }
void PRDiskaManagerViewController::ScanDiskBooksFiles(QObject*) { launch(DiskCategory::Books); }
void PRDiskaManagerViewController::ScanDiskUserAppFiles(QObject*) { launch(DiskCategory::UserApps); }
void PRDiskaManagerViewController::ScanDiskSystemAppFiles(QObject*) { launch(DiskCategory::SystemApps); }
void PRDiskaManagerViewController::ScanDiskUserDataFiles(QObject*) { launch(DiskCategory::UserData); }

void PRDiskaManagerViewController::MyDiskManagebuttonMouseDownHandle(const NSNotification& notification) {
    if (!diskManageButton || notification.sender() != diskManageButton) return;
    ScanDiskUsage();
}

void PRDiskaManagerViewController::ScanDiskUsage(QObject*) {
    view();
    const DeviceStamp stamp = tie_.tieTo(diskDeviceIndex);
    if (!state_.beginWholeRun()) {
        // A scan is under way: its rows show how far it is.
        showTableView();
        return;
    }
    for (DiskScanGroup group : disk::kWholeRunOrder) resetGroup(group);
    diskManageButton->setImageNamed("scanDown.png");
    wholeRun_ = true;
    showTableView();
    threads_.start([this, stamp](const std::atomic<bool>& stop) {
        for (DiskScanGroup group : disk::kWholeRunOrder) {
            if (stop) return;
            runScan(group, stamp);
        }
        // The button says "Scanning..." for as long as the run lasts, not after it.
        handOff(stamp, [this] {
            wholeRun_ = false;
            diskManageButton->setImageNamed("scanNom.png");
        });
    });
}

void PRDiskaManagerViewController::BackToDiskTalbeView(QObject*) {
    if (AppShell* app = AppShell::current()) {
        app->showMainBottomImageview();
        app->ClickMainStatu(nullptr);
    }
}

void PRDiskaManagerViewController::refreshOutlineView() {
    if (!userLibDataFileOutlineView || libTreeController->rowCount() == 0) return;
    userLibDataFileOutlineView->expand(libTreeController->index(0, 0));
}

// ---- Pages ----------------------------------------------------------------------------------

void PRDiskaManagerViewController::showPage(QWidget* page) {
    view();
    pages_->setCurrentWidget(page);
}

QWidget* PRDiskaManagerViewController::shownPage() const { return pages_ ? pages_->currentWidget() : nullptr; }

void PRDiskaManagerViewController::showStateView() { showPage(diskStateView); }
void PRDiskaManagerViewController::showTableView() { showPage(diskTableView); }
void PRDiskaManagerViewController::showMusicFileView() { showPage(musicFileView); }
void PRDiskaManagerViewController::showPhotoFileView() { showPage(photoFileView); }
void PRDiskaManagerViewController::showVideoFileView() { showPage(videoFileView); }
void PRDiskaManagerViewController::showBookFileView() { showPage(booksFileView); }
void PRDiskaManagerViewController::showAppFileView() { showPage(appFileView); }
void PRDiskaManagerViewController::showSystemAppFileView() { showPage(systemAppFileView); }
void PRDiskaManagerViewController::showUserlibDataView() { showPage(userLibDataView); }

void PRDiskaManagerViewController::showFinished(DiskCategory category) {
    // A whole run stays on the category summary, where each row's size arrives as its scan
    // ends; a category opened alone shows its results.
    if (!wholeRun_) showResults(category);
}

void PRDiskaManagerViewController::showResults(DiskCategory category) {
    if (AppShell* app = AppShell::current()) app->HiddenMainBottomImageView();
    view();
    switch (category) {
    case DiskCategory::Photos:
        photoFileController->setContent(photoFilesArray);
        showPhotoFileView();
        photoFileTableview->clearSelection();
        return;
    case DiskCategory::Music:
        muiscFileController->setContent(musicFilesArray);
        showMusicFileView();
        musicFileTableView->clearSelection();
        return;
    case DiskCategory::Videos:
        videoFileController->setContent(videoFilesArray);
        showVideoFileView();
        vidoeFileTableView->clearSelection();
        return;
    case DiskCategory::Books:
        booksFileController->setContent(bookFilesArray);
        showBookFileView();
        bookFileTableview->clearSelection();
        return;
    case DiskCategory::UserApps:
        appFileController->setContent(appFilesArray);
        showAppFileView();
        appFileTableView->clearSelection();
        appFileTableView->scrollToTop();
        return;
    case DiskCategory::SystemApps:
        systemAppFileController->setContent(systemAppFileArray);
        showSystemAppFileView();
        systemAppFileTableView->clearSelection();
        systemAppFileTableView->scrollToTop();
        return;
    case DiskCategory::UserData: break;
    }
    // The tree and its file list fill as the scan runs.
    showUserlibDataView();
}

void PRDiskaManagerViewController::ViewScanPhotoFiles(QObject*) { showResults(DiskCategory::Photos); }
void PRDiskaManagerViewController::ViewScanMusicFiles(QObject*) { showResults(DiskCategory::Music); }
void PRDiskaManagerViewController::ViewScanVideoFiles(QObject*) { showResults(DiskCategory::Videos); }
void PRDiskaManagerViewController::ViewScanBookFiles(QObject*) { showResults(DiskCategory::Books); }
void PRDiskaManagerViewController::ViewScanAppFiles(QObject*) { showResults(DiskCategory::UserApps); }
void PRDiskaManagerViewController::ViewScanSystemAppFile(QObject*) { showResults(DiskCategory::SystemApps); }
void PRDiskaManagerViewController::ViewScanUserlibDataFile(QObject*) { showResults(DiskCategory::UserData); }

void PRDiskaManagerViewController::outlineViewSelectionDidChange() {
    if (libTreeController->BRefreshTreeFlag || !userLibDataFileOutlineView) return;
    PRPhoneSystemDirNodePtr folder = libTreeController->nodeForIndex(userLibDataFileOutlineView->currentIndex());
    if (!folder) return;
    libFileController->setContent(folder->fileChildren());
    userLibDataFileTableView->clearSelection();
}
