// The backup list of the backup browser and the scan of a backup: the iTunes backups on this
// computer, the opening of one on the results screen, and the start of its scan there.
#include "app/OstrevaneAppDelegate.h"
#include "app/PRIOSDeviceTableModel.h"
#include "backup/PRBackupScanState.h"
#include "browser/PRResultViewController.h"
#include "platform/LogCategories.h"
#include "platform/Paths.h"

#include <QDir>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QtDebug>

struct OstrevaneAppDelegate::BackupScan {
    PRBackupScanState state;
};

PRBackupScanState& OstrevaneAppDelegate::backupScanState() {
    if (!backupScan_) backupScan_ = std::make_shared<BackupScan>();
    return backupScan_->state;
}

bool OstrevaneAppDelegate::backupScanRunning() const {
    return resultViewController && resultViewController->scanRunning();
}

void OstrevaneAppDelegate::showIphoneDiskView() {
    deviceController.removeAllObjects();
    const QString root = QString::fromStdString(paths::userPath("Library/Application Support/MobileSync/Backup"));
    // Hidden entries (".DS_Store" and the like) are never backups.
    const QStringList folders = QDir(root).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& name : folders) {
        if (name.startsWith('.')) continue;
        deviceController.addDeviceNodeByPath(QDir(root).filePath(name).toStdString());
    }
    if (!backupListModel_) return;
    backupListModel_->reload();
    backupList_.diskTableView->clearSelection();
    tableViewSelectionDidChange();
}

void OstrevaneAppDelegate::tableViewSelectionDidChange() {
    backupList_.button->setEnabled(backupList_.diskTableView->selectionModel()->hasSelection());
}

void OstrevaneAppDelegate::scanSelectedBackup() {
    const QModelIndexList rows = backupList_.diskTableView->selectionModel()->selectedRows();
    const PRIOSDeviceNodePtr backup = rows.isEmpty() ? nullptr : backupListModel_->backupAt(rows.first().row());
    if (!backup) return;
    // The results screen opens on the backup chosen last: this one.
    setCurrentNode(backup);
    actScanIOSBackupFile(nullptr);
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
    // The backup the user chose last on the results screen, while it is still listed; else the first.
    PRIOSDeviceNodePtr chosen = backups.front();
    for (const PRIOSDeviceNodePtr& backup : backups)
        if (currentNode() &&
            backup->backUpFilePath() == std::dynamic_pointer_cast<PRIOSDeviceNode>(currentNode())->backUpFilePath())
            chosen = backup;
    setCurrentNode(chosen);
    setCurrentNodeIsiOS6Version(IOSVersionIOS6(QString::fromStdString(chosen->strIOSVersion())));
    showResultView();
    ScanIOSBackFile(QString::fromStdString(chosen->backUpFilePath()));
}

void OstrevaneAppDelegate::showResultView() {
    if (!resultViewController) resultViewController = new PRResultViewController(this);
    resultViewController->showView(frame_.iTunesBackupBroswerView);
}

bool OstrevaneAppDelegate::ScanIOSBackFile(const QString& path) {
    if (backupScanRunning()) {
        qCInfo(lcApp, "A backup scan is already running; the new one is not started.");
        return false;
    }
    // The results screen runs the scan on a worker of its own and takes in what it reads.
    if (!resultViewController) resultViewController = new PRResultViewController(this);
    resultViewController->ScanIOSBackFile(path);
    return true;
}

void OstrevaneAppDelegate::removeSomeArray() { backupScanState().removeSomeArray(); }
