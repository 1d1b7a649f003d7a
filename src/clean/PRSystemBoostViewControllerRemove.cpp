// Removal and export of what the system-boost scan found. Records are read on the main thread;
// the device work runs on the page's worker pool or the remove-all thread; rows, counters and
// size labels change afterwards, on the main thread, by what the device really did.
#include "clean/DeviceBoundAction.h"
#include "clean/PRSystemBoostViewController.h"
#include "model/PRRecordFields.h"
#include "platform/Counted.h"
#include "platform/Dialogs.h"
#include "platform/LogCategories.h"
#include "platform/Threads.h"
#include "platform/Workspace.h"
#include "widgets/ActionFailureAlert.h"
#include "widgets/ActionResultLine.h"
#include "widgets/BulkRemovalConfirmation.h"
#include "widgets/DeviceRefusal.h"
#include "widgets/PRButton.h"

#include <QDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSet>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <QtDebug>
#include <algorithm>

using clean::ActionResult;
using clean::BoostCategory;

namespace {

QString sizeTextOf(uint64_t bytes) { return QString::fromStdString(sizeText(bytes)); }

int selectedRow(QAbstractItemView* view) {
    if (!view || !view->selectionModel()) return -1;
    QModelIndexList rows = view->selectionModel()->selectedRows();
    if (rows.isEmpty()) return -1;
    std::sort(rows.begin(), rows.end());
    return rows.first().row();
}

}  // namespace

void PRSystemBoostViewController::showFailure(const QString& text, const QString& detail) {
    showActionFailure(
        this, [this]() -> QWidget* { return view_ ? view_->window() : nullptr; }, text, detail);
}

void PRSystemBoostViewController::forget(const PRPhoneSystemFileNodePtr& record) {
    for (BoostCategory category : clean::kBoostCategories) {
        auto& records = arrayOf(category);
        auto it = std::find(records.begin(), records.end(), record);
        if (it == records.end()) continue;
        records.erase(it);
        uint64_t& bytes = sizeOf(category);
        bytes -= std::min(bytes, record->fileSizeNumber);
        if (totalFileNumber > 0) --totalFileNumber;
        showSizeOf(category);
        break;
    }
    systemBoostcontroller->removeObject(record.get());
}

void PRSystemBoostViewController::forgetRemoved(const QStringList& devicePaths) {
    const QSet<QString> removed(devicePaths.begin(), devicePaths.end());
    for (BoostCategory category : clean::kBoostCategories) {
        auto& records = arrayOf(category);
        uint64_t& bytes = sizeOf(category);
        const auto gone = std::stable_partition(
            records.begin(), records.end(), [&](const auto& record) { return !removed.contains(record->filePath); });
        for (auto it = gone; it != records.end(); ++it) {
            bytes -= std::min(bytes, (*it)->fileSizeNumber);
            if (totalFileNumber > 0) --totalFileNumber;
        }
        records.erase(gone, records.end());
        showSizeOf(category);
    }
    if (shownCategory_ >= 0) {
        const auto& shown = arrayOf(BoostCategory(shownCategory_));
        systemBoostcontroller->setContent({shown.begin(), shown.end()});
    }
}

// ---- One file of the list -------------------------------------------------------------------

void PRSystemBoostViewController::RemoveOneFileAction(QObject*) {
    const int row = selectedRow(systemBoostTableview);
    if (row < 0) return;
    auto record = std::dynamic_pointer_cast<PRPhoneSystemFileNode>(systemBoostcontroller->objectAt(row));
    if (!record || removalsUnderWay_.count(record.get())) return;
    if (!confirmBulkRemoval(view_ ? view_->window() : nullptr,
                            tr("Are you sure you want to permanently delete the selected file(s) from your device?"),
                            record->fileName))
        return;
    // A second press while the file is being removed does not ask the device again.
    if (!record || !removalsUnderWay_.insert(record.get()).second) return;
    const clean::BoostFileRef ref = clean::BoostFileRef::of(*record);
    pool_.enqueue([this, stamp = tie_.stamp(), ref, record, row] {
        const ActionResult result = clean::onItsDevice(
            stamp, [&](int device) { return clean::SystemBoostActions(services_, device).removeFile(ref); });
        performOnMainThread(
            this,
            [=, this] {
                removalsUnderWay_.erase(record.get());
                if (result.files == 0) {  // the row and its bytes stay
                    showFailure(tr("The file could not be removed from the device."), result.failureDetail());
                    return;
                }
                forget(record);
                systemBoostTableview->clearSelection();
                if (row >= 1)
                    systemBoostTableview->selectionModel()->select(
                        systemBoostcontroller->index(row - 1, 0),
                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
            },
            true);
    });
}

void PRSystemBoostViewController::ExportOneFileAction(QObject*) {
    const int row = selectedRow(systemBoostTableview);
    if (row < 0) return;
    auto record = std::dynamic_pointer_cast<PRPhoneSystemFileNode>(systemBoostcontroller->objectAt(row));
    if (!record) return;
    const clean::BoostFileRef ref = clean::BoostFileRef::of(*record);
    const QString folder = exportFolderNow();
    pool_.enqueue([this, stamp = tie_.stamp(), ref, folder] {
        const ActionResult result = clean::onItsDevice(
            stamp, [&](int device) { return clean::SystemBoostActions(services_, device).exportFile(ref, folder); });
        performOnMainThread(
            this,
            [=, this] {
                if (result.files == 0)
                    showFailure(tr("The file could not be copied from the device."), result.failureDetail());
                tellExportDone(view_, result.files, std::max<qulonglong>(result.failures, result.files == 0), folder);
            },
            true);
    });
}

// ---- Remove all -----------------------------------------------------------------------------

void PRSystemBoostViewController::buildRemoveWindow() {
    removeWindow = new QDialog(view_);
    removeWindow->setWindowTitle(tr("Remove All"));
    removeWindow->setWindowModality(Qt::WindowModal);
    removeWindow->setMinimumWidth(420);
    auto* layout = new QVBoxLayout(removeWindow);
    removeFileInfolab = new QLabel;
    removeFileInfolab->setWordWrap(true);
    removeFileInfolab->setTextFormat(Qt::RichText);
    removeProgress = new QProgressBar;
    removeProgress->setRange(0, 100);
    removeNumberInfolab = new QLabel;
    removeNumberInfolab->setFont(QFont("Lucida Grande", 11));
    layout->addWidget(removeFileInfolab);
    layout->addWidget(removeProgress);
    layout->addWidget(removeNumberInfolab);
}

QString PRSystemBoostViewController::removeMessage() const {
    return tr("%1 files will be cleaned up and %2 of file system space will be freed up on your iDevice.")
        .arg(totalFileNumber)
        .arg(sizeTextOf(totalBytes()));
}

void PRSystemBoostViewController::RemoveAllFilesAction(QObject*) {
    if (!bScanFinished || removing_ || removedAll_) return;
    view();
    const DeviceStamp stamp = tie_.stamp();
    // Everything found goes, the device's Downloads included: one question first.
    if (totalFileNumber > 0 &&
        !confirmBulkRemoval(view_->window(), removeMessage(),
                            tr("The system logs, the device's Downloads, the user storage and the iTunes caches and "
                               "failed-sync files found are all removed.")))
        return;
    // The device may have gone, and another come, while the question was open.
    if (!stillOnItsDevice(stamp, view_->window())) return;
    removing_ = true;
    removeNumberInfolab->clear();
    setScanButtonImage(QStringLiteral("RemoveBtnDown.png"), tr("Removing..."));
    // The count and the size stand out in red.
    const QString count = QString::number(totalFileNumber), size = sizeTextOf(totalBytes());
    const QString red = QStringLiteral("<span style=\"color:#f83634\">%1</span>");
    QString message = removeMessage().toHtmlEscaped();
    if (int at = message.indexOf(count); at >= 0) message.replace(at, count.size(), red.arg(count));
    if (int at = message.indexOf(size, message.indexOf(QStringLiteral("</span>")) + 1); at >= 0)
        message.replace(at, size.size(), red.arg(size.toHtmlEscaped()));
    removeFileInfolab->setFont(QFont("Lucida Grande", 11));
    removeFileInfolab->setText(message);
    removeProgress->setValue(0);
    hasRemoveNumber = 0;
    // Taken here, on the main thread, in the order they are removed.
    std::vector<clean::BoostFileRef> files;
    for (BoostCategory category : {BoostCategory::SystemLog, BoostCategory::DownloadTemp, BoostCategory::UserStorage,
                                   BoostCategory::SyncCache, BoostCategory::SyncFailed})
        for (const auto& record : arrayOf(category)) files.push_back(clean::BoostFileRef::of(*record));
    scans_.enqueue([this, files = std::move(files), stamp] { removeAllFilesThreader(files, stamp); });
    removeWindow->open();
}

void PRSystemBoostViewController::removeAllFilesThreader(std::vector<clean::BoostFileRef> files,
                                                         const DeviceStamp& stamp) {
    const uint64_t total = files.size();
    int shown = -1;  // one hand-over per percent, not per file
    const ActionResult result = clean::onItsDevice(stamp, [&](int device) {
        return clean::SystemBoostActions(services_, device)
            .removeFiles(files, [this, total, &shown](uint64_t handled, uint64_t removed) {
                hasRemoveNumber = removed;
                const int percent = int(handled * 100 / total);
                if (percent == shown) return;
                shown = percent;
                sendRemoveProgressInfo(percent);
            });
    });
    performOnMainThread(
        this, [this, result, stamp] { removeAllFilesFinishOnMainThread(result, stamp); }, true);
}

void PRSystemBoostViewController::sendRemoveProgressInfo(int percent) {
    performOnMainThread(
        this, [this, percent] { sendRemoveProgressInfoOnMainThread(percent); }, true);
}

void PRSystemBoostViewController::sendRemoveProgressInfoOnMainThread(int percent) {
    removeProgress->setValue(percent);
    removeNumberInfolab->setText(tr("Has remove %1 files of %2 files, %3 ")
                                     .arg(hasRemoveNumber.load())
                                     .arg(totalFileNumber)
                                     .arg(sizeTextOf(totalBytes())));
}

void PRSystemBoostViewController::removeAllFilesFinishOnMainThread(const ActionResult& result,
                                                                   const DeviceStamp& stamp) {
    removeWindow->close();
    hasRemoveNumber = 0;
    removing_ = false;
    // Unless the device went during the pass (its lists went with it), the panel says "Done".
    if (bScanFinished) {
        forgetRemoved(result.devicePaths);
        for (BoostCategory category : clean::kBoostCategories)
            sizeLabelOf(category)->setText(sizeTextOf(sizeOf(category)));
        removedAll_ = true;
        setScanButtonImage(QStringLiteral("doneNom.png"), tr("Done"));
    }
    if (result.failures > 0 || result.serviceFailed)
        showFailure(counted(result.failures, "file", "files") + tr(" could not be removed from the device."),
                    result.failureDetail());
    QString summary = outcomeSummary(result.files, result.failures + (result.serviceFailed ? 1 : 0), tr("removed"));
    if (result.files > 0) summary += tr(", %1 freed").arg(sizeTextOf(result.bytes));
    tellActionDone(view_, endedOnItsDevice(summary, stamp), {});
}
