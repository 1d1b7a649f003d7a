#include "disk/PRFindLargeFileViewController.h"

#include "appcore/AppState.h"
#include "clean/PRCleanViewController.h"
#include "disk/DiskPageParts.h"
#include "disk/core/LargeFileActions.h"
#include "model/PRRecordFields.h"
#include "platform/Dialogs.h"
#include "platform/Images.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/Workspace.h"
#include "widgets/ActionResultLine.h"
#include "widgets/ButtonNotices.h"
#include "widgets/ColumnFit.h"
#include "widgets/DeviceRefusal.h"
#include "widgets/FlashView.h"
#include "widgets/NothingSelected.h"
#include "widgets/PRButton.h"
#include "widgets/PRProgressView.h"

#include <QCoreApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QStackedLayout>
#include <QTableView>
#include <QVBoxLayout>
#include <map>

namespace {

QString qs(const std::string& s) { return QString::fromStdString(s); }

// The page's rows from the scan's records; the icons of one app are decoded once.
std::vector<PRLargeFileNodePtr> nodesOf(std::vector<disk::LargeFileRecord> records) {
    std::map<const void*, QImage> icons;
    std::vector<PRLargeFileNodePtr> nodes;
    nodes.reserve(records.size());
    for (disk::LargeFileRecord& record : records) {
        auto node = std::make_shared<PRLargeFileNode>();
        node->fileName = qs(record.fileName);
        node->filePath = qs(record.filePath);
        node->fileSize = qs(record.fileSize);
        node->fileParentName = qs(record.fileParentName);
        node->appBundId = qs(record.appBundId);
        node->fileSizeNumber = record.fileSizeNumber;
        node->appFileSizeNumber = record.appFileSizeNumber;
        if (record.iconPNG) {
            auto it = icons.find(record.iconPNG.get());
            if (it == icons.end()) {
                QImage icon;
                icon.loadFromData(record.iconPNG->data(), int(record.iconPNG->size()), "PNG");
                it = icons.emplace(record.iconPNG.get(), icon).first;
            }
            node->fileIcon = it->second;
        } else if (!record.iconImageName.empty()) {
            node->fileIcon = images::imageNamed(qs(record.iconImageName));
        }
        node->record = std::move(record);
        nodes.push_back(std::move(node));
    }
    return nodes;
}

class PageSink final : public disk::LargeFileSink {
public:
    std::function<void(float)> userProgress, appProgress;
    std::function<void(const std::string&)> userFound, appFound;
    void userDataProgress(float v) override { userProgress(v); }
    void foundUserDataFile(const std::string& p) override { userFound(p); }
    void appDataProgress(float v) override { appProgress(v); }
    void foundAppDataFile(const std::string& p) override { appFound(p); }
};

}  // namespace

PRFindLargeFileViewController::PRFindLargeFileViewController(QObject* parent)
    : PRFindLargeFileViewController(disk::deviceDiskServices(), parent) {}

PRFindLargeFileViewController::PRFindLargeFileViewController(disk::DiskDeviceServices& services, QObject* parent)
    : PageController("PRFineLargeView", parent), services_(services) {
    userLargeFileController = new PRLargeFileController(this);
    appLargeFileController = new PRAppLargeFileController(this);
    userBigFileController = new PRUserDataBigController(this);
    appBigFileController = new PRAppBigController(this);
    notices::MyLargeFileButtonMouseDown.observe(
        NSNotificationCenter::defaultCenter(), this,
        [this](const NSNotification& n) { MyLargeFileButtonMouseDownHandle(n); });
}

PRFindLargeFileViewController::~PRFindLargeFileViewController() {
    NSNotificationCenter::defaultCenter().removeObserver(this);
    stopping_ = true;  // the hand-offs still pending are dropped
    threads_.stopAndWait();
}

// ---- Page -------------------------------------------------------------------------------------

void PRFindLargeFileViewController::buildView(QWidget* page) {
    page_ = page;
    // One sub-page at a time, each over the whole page.
    pages_ = new QStackedLayout(page);
    mainTableView = buildMainTableView();
    userDataLargerFileView = buildDetailView(false);
    appLargerFileView = buildDetailView(true);
    for (QWidget* w : {mainTableView, userDataLargerFileView, appLargerFileView}) pages_->addWidget(w);
}

QWidget* PRFindLargeFileViewController::buildMainTableView() {
    auto* pane = new QWidget;
    pane->setObjectName("mainTableView");
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(28, 22, 28, 22);
    layout->setSpacing(14);
    auto* top = new QHBoxLayout;
    auto* texts = new QVBoxLayout;
    QLabel* title = diskpages::textLabel(pane, 16, true);
    title->setText(tr("Find Large Files"));
    QLabel* intro = diskpages::textLabel(pane, 11);
    intro->setWordWrap(true);
    intro->setText(
        tr("Search your files and every app's data for the files above the size set in the preferences, "
           "then remove or export them."));
    texts->addWidget(title);
    texts->addWidget(intro);
    top->addLayout(texts, 1);
    theFlashView = new FlashView(pane);
    theFlashView->setFixedSize(40, 40);
    top->addWidget(theFlashView, 0, Qt::AlignVCenter);
    startScanBtn = new PRLargeFileButton(pane);
    startScanBtn->setObjectName("startScanBtn");
    startScanBtn->setImageNamed("scanNom.png");
    startScanBtn->setFixedSize(150, 48);
    top->addWidget(startScanBtn, 0, Qt::AlignVCenter);
    layout->addLayout(top);

    auto* areas = new QGridLayout;
    areas->setHorizontalSpacing(16);
    areas->setVerticalSpacing(6);
    areas->setColumnStretch(1, 1);
    auto area = [&](int row, const QString& name, PRProgressView*& bar, QLabel*& path, QLabel*& total,
                    QPushButton*& button, void (PRFindLargeFileViewController::*open)(QObject*)) {
        QLabel* head = PRCleanViewController::headerBand(pane, name);
        head->setFixedWidth(150);
        head->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        bar = new PRProgressView(pane);
        bar->setFixedHeight(18);
        bar->setMinimumWidth(240);
        path = diskpages::textLabel(pane, 10);
        total = diskpages::textLabel(pane, 11, true);
        total->setMinimumWidth(90);
        button = new QPushButton(pane);
        button->setFlat(true);
        button->setIconSize(QSize(24, 24));
        button->setFixedSize(32, 28);
        button->setToolTip(tr("Show the files"));
        connect(button, &QPushButton::clicked, this, [this, open] { (this->*open)(nullptr); });
        areas->addWidget(head, row * 2, 0);
        areas->addWidget(bar, row * 2, 1);
        areas->addWidget(total, row * 2, 2);
        areas->addWidget(button, row * 2, 3);
        areas->addWidget(path, row * 2 + 1, 1, 1, 3);
    };
    area(0, tr("User Data"), userDataProgress, userDataFilelab, userDataFileSizelab, userBtn,
         &PRFindLargeFileViewController::ClickUserDataFileAction);
    area(1, tr("App Data"), appDataProgress, appDataFilelab, appDataFileSizelab, appBtn,
         &PRFindLargeFileViewController::ClickAppDataFileAction);
    layout->addLayout(areas);
    layout->addStretch(1);
    return pane;
}

QWidget* PRFindLargeFileViewController::buildDetailView(bool apps) {
    auto* pane = new QWidget;
    pane->setObjectName(apps ? "appLargerFileView" : "userDataLargerFileView");
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(6);
    auto* top = new QHBoxLayout;
    QLabel* title = diskpages::textLabel(pane, 13, true);
    title->setText(apps ? tr("Large files of the apps") : tr("Large files of your data"));
    top->addWidget(title, 1);
    auto button = [&](const QString& text, const char* name, std::function<void()> action) {
        auto* b = new QPushButton(text, pane);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, std::move(action));
        top->addWidget(b);
    };
    button(tr("Back"), "backButton", [this] { backToMainTableView(); });
    button(tr("Export"), "exportButton", [this, apps] { apps ? ExportAppDataAction() : ExportUserDataAction(); });
    button(apps ? tr("Delete or Uninstall") : tr("Delete"), "removeButton",
           [this, apps] { apps ? ClickAppRemoveAction() : ClickuserDataRemoveAction(); });
    layout->addLayout(top);

    auto table = [&](const QString& caption, QLabel*& head, QTableView*& view, PRLargeFileController* model) {
        head = new QLabel(pane);
        head->setText(QStringLiteral("  ") + caption);
        head->setFont(QFont("Lucida Grande", 11, QFont::Bold));
        head->setFixedHeight(24);
        const QImage band = images::imageNamed("tabHeadImage.png");
        if (!band.isNull()) {
            head->setAutoFillBackground(true);
            QPalette palette = head->palette();
            palette.setBrush(QPalette::Window, QBrush(band.scaled(2000, 24)));
            palette.setColor(QPalette::WindowText, Qt::white);
            head->setPalette(palette);
        }
        view = new QTableView(pane);
        view->setModel(model);
        // Header clicks neither sort nor select: the rows stay largest first.
        view->setSortingEnabled(false);
        view->horizontalHeader()->setSectionsClickable(false);
        view->setSelectionBehavior(QAbstractItemView::SelectRows);
        view->setSelectionMode(QAbstractItemView::ExtendedSelection);
        view->setEditTriggers(QAbstractItemView::NoEditTriggers);
        view->setAlternatingRowColors(true);
        view->verticalHeader()->hide();
        view->setFont(QFont("Lucida Grande", 11));
        if (!apps) view->hideColumn(PRLargeFileController::FileParentName);
        columnfit::fitColumns(view);
        connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                [this, view] { tableViewSelectionDidChange(view); });
        layout->addWidget(head);
        layout->addWidget(view, 1);
    };
    const QString largeCaption = tr("Large files (up to 100 MB)");
    const QString bigCaption = tr("Very large files (over 100 MB)");
    if (apps) {
        table(largeCaption, appDataLargeHeadImageView, appLargeTableView, appLargeFileController);
        table(bigCaption, appDataBigHeadImageView, appBigTableView, appBigFileController);
    } else {
        table(largeCaption, userDataLargeHeadImageView, userDataLargeTableView, userLargeFileController);
        table(bigCaption, userDataBigHeadImageView, userDataBigTableView, userBigFileController);
    }
    return pane;
}

QWidget* PRFindLargeFileViewController::window() const { return page_ ? page_->window() : nullptr; }

void PRFindLargeFileViewController::showView(QWidget* host) {
    putInto(host);
    showIdle();
}

void PRFindLargeFileViewController::showIdle() {
    showMainTableView();
    userDataFileSizelab->hide();
    appDataFileSizelab->hide();
    theFlashView->hide();
    for (QPushButton* b : {userBtn, appBtn}) {
        b->setEnabled(false);
        b->setIcon(QPixmap::fromImage(images::imageNamed("arrowrightUnNom.png")));
    }
}

void PRFindLargeFileViewController::setDeviceIndex(int index) {
    deviceIndex = index;
    tie_.tieTo(index);
}

void PRFindLargeFileViewController::dropDeviceResults() {
    bScanStarted = bScanFinished = false;
    allDocumentFileSize = allAppFileSize = 0;
    for (auto* list : {&userDataLargeFileArray, &userDataBigFileArray, &appLargeFileArray, &appBigFileArray})
        list->clear();
    for (PRLargeFileController* c : std::initializer_list<PRLargeFileController*>{
             userLargeFileController, userBigFileController, appLargeFileController, appBigFileController})
        c->setContent({});
    if (!page_) return;
    for (PRProgressView* bar : {userDataProgress, appDataProgress}) bar->setProgressValue(0);
    for (QLabel* label : {userDataFilelab, appDataFilelab}) {
        label->clear();
        label->show();
    }
    theFlashView->stopFlash();
    startScanBtn->setImageNamed("scanNom.png");
    showIdle();
}

void PRFindLargeFileViewController::showMainTableView() {
    view();
    pages_->setCurrentWidget(mainTableView);
}

void PRFindLargeFileViewController::showUserDataLargerFileView() {
    view();
    pages_->setCurrentWidget(userDataLargerFileView);
}

void PRFindLargeFileViewController::showAppLargerFileView() {
    view();
    pages_->setCurrentWidget(appLargerFileView);
}

QWidget* PRFindLargeFileViewController::shownPage() const {
    for (QWidget* w : {mainTableView, userDataLargerFileView, appLargerFileView})
        if (w && !w->isHidden()) return w;
    return nullptr;
}

void PRFindLargeFileViewController::backToMainTableView(QObject*) { showMainTableView(); }

void PRFindLargeFileViewController::fill(PRLargeFileController* controller, const std::vector<PRLargeFileNodePtr>& list,
                                         QTableView* table) {
    std::vector<PRLargeFileNodePtr> sorted = list;
    disk::sortLargestFirst(sorted, [](const PRLargeFileNodePtr& node) { return node->fileSizeNumber; });
    controller->setContent(std::move(sorted));
    table->clearSelection();
}

void PRFindLargeFileViewController::ClickUserDataFileAction(QObject*) {
    showUserDataLargerFileView();
    fill(userLargeFileController, userDataLargeFileArray, userDataLargeTableView);
    fill(userBigFileController, userDataBigFileArray, userDataBigTableView);
}

void PRFindLargeFileViewController::ClickAppDataFileAction(QObject*) {
    showAppLargerFileView();
    fill(appLargeFileController, appLargeFileArray, appLargeTableView);
    fill(appBigFileController, appBigFileArray, appBigTableView);
}

// ---- The scan ---------------------------------------------------------------------------------

void PRFindLargeFileViewController::handOff(const MainThreadReceiver& receiver, std::function<void()> fn) {
    performOnMainThread(
        receiver,
        [this, fn = std::move(fn)] {
            if (!stopping_) fn();
        },
        true);
}

void PRFindLargeFileViewController::handOff(const MainThreadReceiver& receiver, const DeviceStamp& stamp,
                                            std::function<void()> fn) {
    handOff(receiver, [stamp, fn = std::move(fn)] {
        if (stamp.holds()) fn();
    });
}

bool PRFindLargeFileViewController::connectedNow() const {
    if (deviceConnected) return deviceConnected();
    return AppState::deviceCountsAsConnected();
}

void PRFindLargeFileViewController::MyLargeFileButtonMouseDownHandle(const NSNotification& notification) {
    if (!startScanBtn || notification.sender() != startScanBtn) return;
    if (bScanStarted && !bScanFinished) return;  // a scan is running
    const AppState* state = AppState::current();
    const uint64_t limit = state ? state->largeFileLimit() : largeFileSize;
    // A finished scan stands until the limit is changed in the preferences: the next press then
    // scans again with the new one.
    if (bScanFinished) {
        if (limit == largeFileSize) return;
        dropDeviceResults();
    }
    largeFileSize = limit;
    theFlashView->show();
    theFlashView->startFlash();
    startScan();
}

void PRFindLargeFileViewController::startScan() {
    view();
    const DeviceStamp stamp = tie_.tieTo(deviceIndex);
    bScanStarted = true;
    startScanBtn->setImageNamed("scanDown.png");
    const MainThreadReceiver receiver(this);
    disk::LargeFileScan::Options options;
    options.deviceIndex = stamp.index();
    options.largeFileSize = largeFileSize;
    options.deviceConnected = [this, stamp] { return connectedNow() && stamp.holds(); };
    threads_.start([this, receiver, options, stamp](const std::atomic<bool>& stop) mutable {
        const auto onlyItsDevice = stamp.onlyThisDevice();
        PageSink sink;
        sink.userProgress = [&](float v) {
            handOff(receiver, stamp, [this, v] { userDataProgress->setProgressValue(v); });
        };
        sink.appProgress = [&](float v) {
            handOff(receiver, stamp, [this, v] { appDataProgress->setProgressValue(v); });
        };
        sink.userFound = [&](const std::string& p) {
            handOff(receiver, stamp,
                    [this, label = qs(disk::largeFilePathLabel(p))] { userDataFilelab->setText(label); });
        };
        sink.appFound = [&](const std::string& p) {
            handOff(receiver, stamp,
                    [this, label = qs(disk::largeFilePathLabel(p))] { appDataFilelab->setText(label); });
        };
        options.stop = &stop;
        disk::LargeFileScan scan(services_, options, sink);
        using Outcome = disk::LargeFileScan::Outcome;
        const Outcome user = scan.scanFindLargeFileWithInUserData();
        // What a walk found stays with the page even when it ended early; only a finished walk
        // shows its total and opens its detail view.
        auto deliver = [&](bool apps, bool finished) {
            auto large = std::move(apps ? scan.appLargeFileArray : scan.userDataLargeFileArray);
            auto big = std::move(apps ? scan.appBigFileArray : scan.userDataBigFileArray);
            const uint64_t total = apps ? scan.allAppFileSize : scan.allDocumentFileSize;
            handOff(receiver, stamp,
                    [this, apps, finished, large = std::move(large), big = std::move(big), total]() mutable {
                        if (finished && apps)
                            scanFinishLargeFileWithInAppDataOnMainThread(std::move(large), std::move(big), total);
                        else if (finished)
                            scanFinishLargeFileWithInUserDataOnMainThread(std::move(large), std::move(big), total);
                        else {
                            auto& largeList = apps ? appLargeFileArray : userDataLargeFileArray;
                            auto& bigList = apps ? appBigFileArray : userDataBigFileArray;
                            largeList = nodesOf(std::move(large));
                            bigList = nodesOf(std::move(big));
                        }
                    });
        };
        if (user == Outcome::Stopped) return;
        deliver(false, user == Outcome::Finished);
        const Outcome apps = scan.scanFindLargeFileWithInAppData();
        if (apps == Outcome::Stopped) return;
        deliver(true, apps == Outcome::Finished);
        if (apps == Outcome::NoService)  // the apps were never looked at: say so where their files would show
            handOff(receiver, stamp, [this, reason = qs(scan.failureReason())] { appDataFilelab->setText(reason); });
        handOff(receiver, stamp, [this] { finishScanFindLargeFileMainThread(); });
    });
}

void PRFindLargeFileViewController::scanFinishLargeFileWithInUserDataOnMainThread(
    std::vector<disk::LargeFileRecord> large, std::vector<disk::LargeFileRecord> big, uint64_t total) {
    userDataLargeFileArray = nodesOf(std::move(large));
    userDataBigFileArray = nodesOf(std::move(big));
    allDocumentFileSize = total;
    userDataFileSizelab->setText(qs(sizeText(total)));
    userDataFileSizelab->show();
    userBtn->setEnabled(true);
    userBtn->setIcon(QPixmap::fromImage(images::imageNamed("arrowright.png")));
    userDataFilelab->hide();
}

void PRFindLargeFileViewController::scanFinishLargeFileWithInAppDataOnMainThread(
    std::vector<disk::LargeFileRecord> large, std::vector<disk::LargeFileRecord> big, uint64_t total) {
    appLargeFileArray = nodesOf(std::move(large));
    appBigFileArray = nodesOf(std::move(big));
    allAppFileSize = total;
    appDataFileSizelab->setText(qs(sizeText(total)));
    appDataFileSizelab->show();
    appBtn->setEnabled(true);
    appBtn->setIcon(QPixmap::fromImage(images::imageNamed("arrowright.png")));
    appDataFilelab->hide();
}

void PRFindLargeFileViewController::finishScanFindLargeFileMainThread() {
    startScanBtn->setImageNamed("doneNom.png");
    bScanFinished = true;
    theFlashView->stopFlash();
    theFlashView->hide();
}

// ---- Actions ----------------------------------------------------------------------------------

void PRFindLargeFileViewController::tableViewSelectionDidChange(QTableView* table) {
    QTableView* partner = table == userDataLargeTableView ? userDataBigTableView
                          : table == userDataBigTableView ? userDataLargeTableView
                          : table == appLargeTableView    ? appBigTableView
                          : table == appBigTableView      ? appLargeTableView
                                                          : nullptr;
    if (partner && table->selectionModel()->hasSelection()) partner->clearSelection();
}

void PRFindLargeFileViewController::dropRecords(const std::vector<PRLargeFileNodePtr>& gone) {
    auto drop = [&gone](std::vector<PRLargeFileNodePtr>& list) {
        std::erase_if(list, [&gone](const PRLargeFileNodePtr& n) {
            return std::find(gone.begin(), gone.end(), n) != gone.end();
        });
    };
    for (auto* list : {&userDataLargeFileArray, &userDataBigFileArray, &appLargeFileArray, &appBigFileArray})
        drop(*list);
    for (PRLargeFileController* c : std::initializer_list<PRLargeFileController*>{
             userLargeFileController, userBigFileController, appLargeFileController, appBigFileController}) {
        std::vector<PRLargeFileNodePtr> content = c->content();
        const size_t before = content.size();
        drop(content);
        if (content.size() != before) c->setContent(std::move(content));
    }
}

disk::ActionResult PRFindLargeFileViewController::removeSelected(QTableView* table, PRLargeFileController* controller,
                                                                 bool apps, const DeviceStamp& stamp) {
    const QList<int> rows = diskpages::selectedSourceRows(table);
    if (rows.isEmpty()) return {};
    std::vector<PRLargeFileNodePtr> nodes;
    std::vector<disk::LargeFileRecord> records;
    for (int row : rows)
        if (PRLargeFileNodePtr node = controller->objectAt(row)) {
            nodes.push_back(node);
            records.push_back(node->record);
        }
    disk::LargeFileActions actions(services_, stamp.index());
    std::vector<bool> removed;
    disk::ActionResult result;
    {
        const auto onlyItsDevice = stamp.onlyThisDevice();
        result = actions.removeFiles(records, removed);
    }
    std::vector<PRLargeFileNodePtr> gone;
    for (size_t i = 0; i < nodes.size(); ++i)
        if (removed[i]) gone.push_back(nodes[i]);  // a refused removal keeps its row
    dropRecords(gone);
    table->clearSelection();  // nothing chosen stays chosen: a second click removes nothing
    removedBytes(apps, result.bytes);
    return result;
}

void PRFindLargeFileViewController::removedBytes(bool apps, uint64_t bytes) {
    if (bytes == 0) return;
    if (AppState* state = AppState::current())
        state->raiseCounter(apps ? AppCounter::TotalAppRemoveFileSize : AppCounter::TotalUserdataRemoveFileSize, bytes);
    // The area's total counts what is still on the device.
    uint64_t& total = apps ? allAppFileSize : allDocumentFileSize;
    total -= std::min(total, bytes);
    (apps ? appDataFileSizelab : userDataFileSizelab)->setText(qs(sizeText(total)));
}

bool PRFindLargeFileViewController::anySelected(std::initializer_list<QTableView*> tables, const QString& what) const {
    for (QTableView* table : tables)
        if (!diskpages::selectedSourceRows(table).isEmpty()) return true;
    tellWhatToSelect(window(), what);
    return false;
}

void PRFindLargeFileViewController::ClickuserDataRemoveAction(QObject*) {
    const DeviceStamp stamp = tie_.stamp();
    if (!anySelected({userDataLargeTableView, userDataBigTableView},
                     tr("Select the files to delete in the list first.")))
        return;
    if (!diskpages::confirmRemoval(
            window(), tr("Are you sure you want to permanently delete the selected file(s) from your device?"),
            QString()))
        return;
    // The device may have gone, and another come, while the question was open.
    if (!stillOnItsDevice(stamp, window())) return;
    disk::ActionResult result = removeSelected(userDataLargeTableView, userLargeFileController, false, stamp);
    result.add(removeSelected(userDataBigTableView, userBigFileController, false, stamp));
    diskpages::removalEnded(window(), result);
}

disk::ActionResult PRFindLargeFileViewController::uninstallSelected(QTableView* table,
                                                                    PRLargeFileController* controller,
                                                                    const DeviceStamp& stamp) {
    const QList<int> rows = diskpages::selectedSourceRows(table);
    if (rows.isEmpty()) return {};
    const int last = rows.back();
    const PRLargeFileNodePtr chosen = controller->objectAt(last);
    if (!chosen) return {};
    disk::LargeFileActions actions(services_, stamp.index());
    disk::ActionResult result;
    {
        const auto onlyItsDevice = stamp.onlyThisDevice();
        result = actions.uninstallApp(chosen->record);
    }
    if (!result.ok()) return result;  // a refused uninstall keeps the app's rows
    // The app's files are gone with it, from both lists.
    std::vector<PRLargeFileNodePtr> gone;
    for (const auto* list : {&appLargeFileArray, &appBigFileArray})
        for (const PRLargeFileNodePtr& n : *list)
            if (n->appBundId == chosen->appBundId) gone.push_back(n);
    for (PRLargeFileController* c : {static_cast<PRLargeFileController*>(appLargeFileController),
                                     static_cast<PRLargeFileController*>(appBigFileController)})
        for (const PRLargeFileNodePtr& n : c->content())
            if (n->appBundId == chosen->appBundId) gone.push_back(n);
    dropRecords(gone);
    table->clearSelection();  // nothing chosen stays chosen: a second click removes nothing
    removedBytes(true, result.bytes);
    return result;
}

void PRFindLargeFileViewController::ClickAppRemoveAction(QObject*) {
    const DeviceStamp stamp = tie_.stamp();
    if (!anySelected({appLargeTableView, appBigTableView}, tr("Select the app files to delete in the list first.")))
        return;
    AlertRequest alert;
    alert.messageText = tr("Are you sure you want to permanently delete the selected app file(s) from your device?");
    alert.informativeText =
        tr("You may not run the app correctly after deleting partial app files, we suggest you to "
           "uninstall the app completely.");
    alert.buttons = {tr("Deleted"), tr("Cancel"), tr("Uninstall")};
    alert.window = window();
    const int answer = dialogs::runAlert(alert.destructive());
    if (answer != NSAlertFirstButtonReturn && answer != NSAlertThirdButtonReturn) return;
    if (!stillOnItsDevice(stamp, window())) return;
    if (answer == NSAlertFirstButtonReturn) {
        disk::ActionResult result = removeSelected(appLargeTableView, appLargeFileController, true, stamp);
        result.add(removeSelected(appBigTableView, appBigFileController, true, stamp));
        diskpages::removalEnded(window(), result);
    } else if (answer == NSAlertThirdButtonReturn) {
        disk::ActionResult result = uninstallSelected(appLargeTableView, appLargeFileController, stamp);
        result.add(uninstallSelected(appBigTableView, appBigFileController, stamp));
        diskpages::alertFailures(window(), tr("The app could not be uninstalled."), result);
        tellActionDone(window(), outcomeSummary(result.ok() ? 1 : 0, result.failures, tr("uninstalled"), "app", "apps"),
                       {});
    }
}

QString PRFindLargeFileViewController::exportFolder() const {
    const QString path = AppState::exportFolder();
    return path.isEmpty() ? QString::fromStdString(paths::userPath("Documents/Quillomatrix")) : path;
}

void PRFindLargeFileViewController::exportSelected(
    std::initializer_list<std::pair<QTableView*, PRLargeFileController*>> tables) {
    std::vector<disk::LargeFileRecord> records;
    for (const auto& [table, controller] : tables)
        for (int row : diskpages::selectedSourceRows(table))
            if (PRLargeFileNodePtr node = controller->objectAt(row)) records.push_back(node->record);
    if (records.empty()) {
        tellWhatToSelect(window(), tr("Select the files to export in the list first."));
        return;
    }
    const DeviceStamp stamp = tie_.stamp();
    if (!stillOnItsDevice(stamp, window())) return;
    const QString folder = exportFolder();
    const MainThreadReceiver receiver(this);
    threads_.start([this, receiver, stamp, records, folder](const std::atomic<bool>& stop) {
        const auto onlyItsDevice = stamp.onlyThisDevice();
        disk::LargeFileActions actions(services_, stamp.index());
        disk::ActionResult result;
        for (const disk::LargeFileRecord& record : records) {
            if (stop) return;
            result.add(actions.exportFile(record, folder));
        }
        handOff(receiver, [this, result, folder, stamp] { diskpages::exportEnded(window(), result, folder, &stamp); });
    });
}

void PRFindLargeFileViewController::ExportUserDataAction(QObject*) {
    exportSelected({{userDataLargeTableView, userLargeFileController}, {userDataBigTableView, userBigFileController}});
}

void PRFindLargeFileViewController::ExportAppDataAction(QObject*) {
    exportSelected({{appLargeTableView, appLargeFileController}, {appBigTableView, appBigFileController}});
}
