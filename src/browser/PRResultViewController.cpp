// The results screen's life: showing a backup, its scan on a worker with the counts that
// follow it, the end of the scan, switching backups in the pop-up and going home.
#include "browser/PRResultViewController.h"

#include "appcore/AppShell.h"
#include "appcore/AppState.h"
#include "backup/PRBackupScanState.h"
#include "browser/PRRecordPreviewPane.h"
#include "browser/PRResultTableModels.h"
#include "browser/PRTreeController.h"
#include "browser/core/PRBackupRecovery.h"
#include "browser/core/PageWorkers.h"
#include "model/PRIOSDeviceController.h"
#include "platform/Dialogs.h"
#include "platform/Threads.h"
#include "widgets/PRProgressView.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTreeView>

namespace {
AppShell* app() { return AppShell::current(); }
AppState* state() { return AppState::current(); }

PRIOSDeviceNodePtr currentBackup() {
    return state() ? std::dynamic_pointer_cast<PRIOSDeviceNode>(state()->currentNode()) : nullptr;
}

const char* const kCountCaptions[PRResultViewController::CategoryCount] = {
    "", "Photo&Video", "Contacts", "Messages", "Call History", "Notes", "Bookmarks", "Calendar", "Twitter&Facebook"};
}  // namespace

PRResultViewController::PRResultViewController(QObject* parent) : PageController("ResulutView", parent) {}

PRResultViewController::~PRResultViewController() {
    // The workers hand over without waiting for the main thread, so they end on their own.
    NSNotificationCenter::defaultCenter().removeObserver(this);
    stopRecovery();
    stopScan();
    for (const PRBackupScanJobPtr& job : stopped_) job->waitUntilFinished(std::chrono::minutes(5));
}

void PRResultViewController::showView(QWidget* container) {
    parentView = container;
    putInto(container);
    view()->raise();
    const PRIOSDeviceNodePtr node = currentBackup();
    auto show = [](QLabel* label, const std::string& text) { label->setText(QString::fromStdString(text)); };
    show(deviceNamelab, node ? node->strDeviceName() : std::string());
    show(deviceSeriallab, node ? node->strDeviceSerial() : std::string());
    show(deviceTypelab, node ? node->strDeviceType() : std::string());
    show(deviceVersionlab, node ? node->strIOSVersion() : std::string());
    show(backupTimelab, node ? node->strDeviceBackUpTime() : std::string());
    refillBackupPop();
    // The columns read most start at these widths; each stays resizable.
    tableOf(Notes)->setColumnWidth(PRNoteController::Content, 307);
    tableOf(CallHistory)->setColumnWidth(PRCallHistoryController::Phone, 174);
    tableOf(Contacts)->setColumnWidth(PRContactController::Name, 200);
    showCounts(PRScanCounts());
    scanSteplab->clear();
    remindlab->clear();
    selecteFilelab->hide();
    selectAll_.fill(false);
    if (node) {
        scanProgressor->setProgressValue(0);
        progressTextField->setText("1%");
        scanInfolab->setText(tr("Scanning the backup, please wait..."));
        setScanning(true);
    } else {
        setProgress(0);
        setScanning(false);
        for (QPushButton* b : categoryBtns) b->setEnabled(false);
    }
    scanProgressor->setHidden(!node);
    progressTextField->setHidden(!node);
    scanSteplab->setHidden(!node);
    if (!node) noBackupFound();
}

void PRResultViewController::noBackupFound() {
    AlertRequest alert;
    alert.window = app() ? app()->window() : nullptr;
    const bool connected = state() && state()->deviceConnected();
    if (connected) {
        alert.messageText = tr("No backups have been found. Do you want to backup your device with Quillomatrix?");
        alert.buttons = {tr(" Backup "), tr("Cancel")};
    } else {
        alert.messageText =
            tr("No backups have been found. Please connect your iOS device to Mac and backup with "
               "Quillomatrix/iTunes.");
        alert.buttons = {tr(" OK ")};
    }
    scanInfolab->setText(alert.messageText);
    if (dialogs::runAlert(alert) == NSAlertFirstButtonReturn && connected && app()) {
        app()->ClickBackup(nullptr);
        app()->ClickBackupAction(nullptr);
    }
}

void PRResultViewController::refillBackupPop() {
    backupPopBtn->blockSignals(true);
    backupPopBtn->clear();
    const PRIOSDeviceNodePtr node = currentBackup();
    const auto* backups = app() ? &app()->GetPRIOSDeviceController()->arrangedObjects() : nullptr;
    if (!backups || backups->empty()) {
        backupPopBtn->addItem(tr("No Device"));
        currentSelect = 0;
    } else {
        for (size_t i = 0; i < backups->size(); ++i) {
            const PRIOSDeviceNode& b = *(*backups)[i];
            backupPopBtn->addItem(QString::fromStdString(b.strDeviceName() + " " + b.strDeviceBackUpTime()));
            if ((*backups)[i] == node) currentSelect = int(i);
        }
        backupPopBtn->setCurrentIndex(currentSelect);
    }
    backupPopBtn->setEnabled(backups && backups->size() > 1);
    backupPopBtn->blockSignals(false);
}

void PRResultViewController::setScanning(bool scanning) {
    CustomView->setCurrentWidget(scanproView);
    for (QPushButton* b : categoryBtns) {
        b->setEnabled(!scanning);
        b->setChecked(false);
    }
    checkBtn->setHidden(true);
    selectAllBtn->setHidden(true);
    searchlab->setHidden(true);
    scanInfolab->setHidden(false);
    saveBtn->setEnabled(false);
    // The preview and the helps wait for the records.
    previewPane->hide();
    exportBtn->hide();
    setHelpsEnabled(false);
}

void PRResultViewController::ScanIOSBackFile(const QString& path) {
    PRIOSDeviceNodePtr node = currentBackup();
    if (!node || node->backUpFilePath() != path.toStdString()) {
        node = std::make_shared<PRIOSDeviceNode>();
        node->setBackUpFilePath(path.toStdString());
    }
    scanBackup(node);
}

void PRResultViewController::scanBackup(const PRIOSDeviceNodePtr& backup) {
    view();
    stopScan();
    releaseUIMemory();
    PRBackupScanState schemas;
    const bool iOS6 = schemas.IOSVersionIOS6(backup->strIOSVersion());
    auto job = std::make_shared<PRBackupScanJob>(
        PRBackupScanRequest{backup->backUpFilePath(), backup->strDeviceName(), iOS6, schemas.bIOS7DeviceNode});
    std::weak_ptr<PRBackupScanJob> weak = job;
    // Taken here, on the main thread: the worker only ever holds the handle. The hand-offs do
    // not wait, so the worker never blocks on the main thread (and the screen can wait for it).
    const MainThreadReceiver receiver(this);
    // Counts go over at most one hand-off at a time: a newer one carries the latest counts.
    auto pending = std::make_shared<std::atomic<bool>>(false);
    job->onProgress = [this, receiver, weak, pending] {
        if (pending->exchange(true)) return;
        performOnMainThread(
            receiver,
            [this, weak, pending] {
                pending->store(false);
                auto job = weak.lock();
                if (job && job == job_) showCounts(job->counts());
            },
            false);
    };
    job->onFinished = [this, receiver, weak] {
        performOnMainThread(
            receiver,
            [this, weak] {
                auto job = weak.lock();
                if (job && job == job_) ScanFinishOnMainThread();
            },
            false);
    };
    job_ = job;
    scanning_ = true;
    setScanning(true);
    job->start();
}

bool PRResultViewController::scanRunning() const { return scanning_; }

void PRResultViewController::stopScan() {
    scanning_ = false;
    if (!job_) return;
    job_->cancel();
    stopped_.push_back(std::move(job_));
    job_.reset();
    std::erase_if(stopped_, [](const PRBackupScanJobPtr& job) { return job->isFinished(); });
}

void PRResultViewController::ScanFinishOnMainThread() {
    if (!job_) return;
    intake_ = job_->takeIntake();
    if (!intake_) return;
    scanning_ = false;
    const PRScanCounts counts = intake_->counts();
    showCounts(counts);
    setProgress(0);
    scanProgressor->setHidden(true);
    progressTextField->setHidden(true);
    scanInfolab->setHidden(true);
    scanSteplab->setHidden(true);

    photoController->setRecords(intake_->photoAndVideoArray);
    contactController->setRecords(intake_->contactArray());
    messageTreeController->setRecords(intake_->messageTreeArray());
    callHistoryController->setRecords(intake_->callHistoryArray());
    noteController->setRecords(intake_->noteArray());
    bookMarkController->setRecords(intake_->bookMarkArray());
    calendarController->setRecords(intake_->calenderArray());
    faceTwitterController->setRecords(intake_->faceTwitterArray);
    treeController->setRoots(intake_->tree.roots());

    const int shown[CategoryCount] = {int(counts.backupfiles),
                                      int(intake_->photoAndVideoArray.size()),
                                      int(intake_->contactArray().size()),
                                      int(intake_->messageTreeArray().size()),
                                      int(intake_->callHistoryArray().size()),
                                      int(intake_->noteArray().size()),
                                      int(intake_->bookMarkArray().size()),
                                      int(intake_->calenderArray().size()),
                                      int(intake_->faceTwitterArray.size())};
    for (int c = 0; c < CategoryCount; ++c) {
        categoryBtns[c]->setText(QString("%1 (%2)").arg(categoryTitle(Category(c))).arg(shown[c]));
        categoryBtns[c]->setEnabled(true);
    }
    QStringList problems;
    for (const std::string& p : job_->problems()) problems << QString::fromStdString(p);
    remindlab->setText(problems.join(' '));
    journalProblems_ = job_->journalProblems();
    backupPopBtn->setEnabled(backupPopBtn->count() > 1);
    actBackUpBoswer();
    updateSelectedCount();
}

void PRResultViewController::setProgress(int percent) {
    view();
    scanProgressor->setProgressValue(float(percent) / 100.0f);
    progressTextField->setText(QString("%1%").arg(percent));
}

QString PRResultViewController::stepText(const PRScanCounts& c) {
    if (c.lookingForDeleted) {
        switch (c.step) {
        case PRScanStep::Files:
        case PRScanStep::Contacts: return tr("Looking for deleted contacts…");
        case PRScanStep::Messages: return tr("Looking for deleted messages…");
        case PRScanStep::Notes: return tr("Looking for deleted notes…");
        case PRScanStep::Calls: return tr("Looking for deleted calls…");
        case PRScanStep::Bookmarks: return tr("Looking for deleted bookmarks…");
        case PRScanStep::Calendar: return tr("Looking for deleted calendar items…");
        }
    }
    switch (c.step) {
    case PRScanStep::Files: return tr("Reading the list of the backup's files…");
    case PRScanStep::Contacts: return tr("Reading contacts…");
    case PRScanStep::Messages: return tr("Reading messages…");
    case PRScanStep::Notes: return tr("Reading notes…");
    case PRScanStep::Calls: return tr("Reading the call history…");
    case PRScanStep::Bookmarks: return tr("Reading bookmarks…");
    case PRScanStep::Calendar: return tr("Reading calendars and reminders…");
    }
    return {};
}

void PRResultViewController::showCounts(const PRScanCounts& c) {
    view();
    if (c.percent > 0) setProgress(c.percent);
    if (scanning_) scanSteplab->setText(stepText(c));
    const int live[CategoryCount] = {0,         c.photovideoNum, c.contactNum,  c.messageNum,    c.callNum,
                                     c.noteNum, c.bookMarkNum,   c.calenderNum, c.facetwitterNum};
    const int deleted[CategoryCount] = {
        0, 0, c.delContactNum, c.delMessageNum, c.delCallNum, c.delNoteNum, c.delBookMarkNum, c.delCalenderNum, 0};
    for (int k = Photos; k < CategoryCount; ++k) {
        numLabs[k]->setText(QString("%1:  %2").arg(tr(kCountCaptions[k])).arg(live[k]));
        delNumLabs[k]->setText(QString("%1:  %2").arg(tr(kCountCaptions[k])).arg(deleted[k]));
    }
}

void PRResultViewController::actSelectBackUpBtn(int index) {
    if (index == currentSelect || !app()) return;
    const auto& backups = app()->GetPRIOSDeviceController()->arrangedObjects();
    if (index < 0 || index >= int(backups.size())) return;
    currentSelect = index;
    // The tables are emptied for the other backup: the pane keeps what it shows meanwhile.
    bSelectedNode = true;
    const PRIOSDeviceNodePtr backup = backups[size_t(index)];
    if (AppState* shared = state()) {
        shared->setCurrentNode(backup);
        shared->setCurrentNodeIsiOS6Version(app()->IOSVersionIOS6(QString::fromStdString(backup->strIOSVersion())));
    }
    stopScan();
    showView(parentView);
    scanBackup(backup);
    bSelectedNode = false;
}

void PRResultViewController::actHome() {
    AlertRequest alert;
    alert.messageText =
        tr("Are you sure you want to go back to Home? If Back, the scanning results will not be saved.");
    alert.buttons = {tr(" Back "), tr("Cancel")};
    alert.window = app() ? app()->window() : nullptr;
    if (dialogs::runAlert(alert) != NSAlertFirstButtonReturn) return;
    stopScan();
    releaseUIMemory();
    // The backup list is laid out for the window's own size (its smallest): a window made
    // larger for the results goes back to it, where it stands.
    if (QWidget* window = app() ? app()->window() : nullptr) {
        if (window->isMaximized() || window->isFullScreen()) window->showNormal();
        window->resize(window->minimumSize());
    }
    view()->hide();
    currentSelect = 0;
    if (app()) app()->showMainView();
}

void PRResultViewController::releaseUIMemory() {
    view();
    intake_.reset();
    photoController->setRecords({});
    contactController->setRecords({});
    messageTreeController->setRecords({});
    callHistoryController->setRecords({});
    noteController->setRecords({});
    bookMarkController->setRecords({});
    calendarController->setRecords({});
    faceTwitterController->setRecords({});
    treeFileController->setRecords({});
    treeController->setRoots({});
    for (int c = 0; c < CategoryCount; ++c) categoryBtns[c]->setText(categoryTitle(Category(c)));
    updateSelectedCount();
}
