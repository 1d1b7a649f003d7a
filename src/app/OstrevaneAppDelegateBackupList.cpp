// The backup list of the backup browser and the scan of a backup: the iTunes backups on this
// computer, the opening of the first one on the results screen, and the scan thread that runs
// the backup readers over it.
#include "app/OstrevaneAppDelegate.h"
#include "backup/PRBackupManifestReader.h"
#include "backup/PRBackupScanState.h"
#include "backup/PRBookMarkReader.h"
#include "backup/PRCalenderReader.h"
#include "backup/PRCallHistoryReader.h"
#include "backup/PRContactReader.h"
#include "backup/PRMessageReader.h"
#include "backup/PRNoteReader.h"
#include "browser/PRResultViewController.h"
#include "platform/Paths.h"

#include <QDir>
#include <QtDebug>

struct OstrevaneAppDelegate::BackupScan {
    PRBackupScanState state;
    // From the start of a scan until its arrays are released again.
    std::atomic<bool> running{false};
};

PRBackupScanState& OstrevaneAppDelegate::backupScanState() {
    if (!backupScan_) backupScan_ = std::make_shared<BackupScan>();
    return backupScan_->state;
}

bool OstrevaneAppDelegate::backupScanRunning() const { return backupScan_ && backupScan_->running.load(); }

void OstrevaneAppDelegate::showIphoneDiskView() {
    deviceController.removeAllObjects();
    const QString root = QString::fromStdString(paths::userPath("Library/Application Support/MobileSync/Backup"));
    // Hidden entries (".DS_Store" and the like) are never backups.
    const QStringList folders = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : folders) {
        if (name.startsWith('.')) continue;
        deviceController.addDeviceNodeByPath(QDir(root).filePath(name).toStdString());
    }
}

bool OstrevaneAppDelegate::IOSVersionIOS6(const QString& version) {
    PRBackupScanState& state = backupScanState();
    const bool newer = state.IOSVersionIOS6(version.toStdString());
    setBIOS7DeviceNode(state.bIOS7DeviceNode);
    return newer;
}

void OstrevaneAppDelegate::actScanIOSBackupFile(QObject*) {
    const auto& backups = deviceController.arrangedObjects();
    if (backups.empty()) {
        setCurrentNode(nullptr);
        showResultView();
        return;
    }
    if (backupScanRunning()) {
        // The screen is already following a scan: starting another would refill the arrays the
        // running one still reads.
        showResultView();
        return;
    }
    const PRIOSDeviceNodePtr first = backups.front();
    setCurrentNode(first);
    setCurrentNodeIsiOS6Version(IOSVersionIOS6(QString::fromStdString(first->strIOSVersion())));
    showResultView();
    ScanIOSBackFile(QString::fromStdString(first->backUpFilePath()));
}

void OstrevaneAppDelegate::showResultView() {
    if (!resultViewController) resultViewController = new PRResultViewController(this);
    resultViewController->showView(frame_.iTunesBackupBroswerView);
}

bool OstrevaneAppDelegate::ScanIOSBackFile(const QString& path) {
    backupScanState();
    bool idle = false;
    if (!backupScan_->running.compare_exchange_strong(idle, true)) {
        qInfo("A backup scan is already running; the new one is not started.");
        return false;
    }
    PRBackupScanState& state = backupScan_->state;
    state.resetScanArrays();
    state.currentNodeIsiOS6Version = currentNodeIsiOS6Version();
    state.bIOS7DeviceNode = bIOS7DeviceNode();
    std::shared_ptr<BackupScan> scan = backupScan_;
    const std::string folder = path.toStdString();
    // The delegate waits for the scan when it goes; the scan stops between readers then.
    workers_.enqueue([this, scan, folder] {
        PRBackupScanState& state = scan->state;
        const std::function<void()> readers[] = {
            [&] { PRBackupManifestReader(state).scanDirAnalyThread(folder); },
            [&] { PRContactReader(state).scanContactThread(folder); },
            [&] { PRMessageReader(state).scanMessageThread(folder); },
            [&] { PRNoteReader().scanNoteThread(folder); },
            [&] { PRCallHistoryReader(state).scanCallHistoryThread(folder); },
            [&] { PRBookMarkReader().scanBookMarkThread(folder); },
            [&] { PRCalenderReader(state).scanCalenderThread(folder); },
        };
        for (const auto& read : readers)
            if (!workers_.isCancelled()) read();
        performOnMainThread(this, [this] {
            if (resultViewController) resultViewController->ScanThreadFinish();
        }, true);
        state.removeSomeArray();
        scan->running = false;
    });
    return true;
}

void OstrevaneAppDelegate::removeSomeArray() { backupScanState().removeSomeArray(); }
