// Removal and export of what the device clean found. The views are read on the main thread;
// the device work runs on the page's worker pool; the views and counters change afterwards,
// on the main thread, by what the device really did.
#include "clean/DeviceBoundAction.h"
#include "clean/PRCleanViewController.h"
#include "model/PRRecordFields.h"
#include "platform/Counted.h"
#include "platform/Dialogs.h"
#include "platform/LogCategories.h"
#include "platform/NotificationCenter.h"
#include "platform/Threads.h"
#include "platform/Workspace.h"
#include "widgets/ActionFailureAlert.h"
#include "widgets/ActionResultLine.h"
#include "widgets/BulkRemovalConfirmation.h"
#include "widgets/DeviceRefusal.h"
#include "widgets/NewExportFolder.h"
#include "widgets/NothingSelected.h"

#include <QDateTime>
#include <QDir>
#include <QSet>
#include <QTableView>
#include <QTimer>
#include <QTreeView>
#include <QtDebug>
#include <algorithm>
#include <optional>

using clean::ActionResult;
using clean::Category;

namespace {

int selectedRow(QAbstractItemView* view) {
    if (!view || !view->selectionModel()) return -1;
    const QModelIndexList rows = view->selectionModel()->selectedRows();
    return rows.isEmpty() ? -1 : rows.first().row();
}

// What each category's files are called.
const char* const kNames[] = {"temporary files", "cache files", "cookies", "documents"};

// The question before a removal, as every removal asks it: what goes, with Cancel the default.
// Nothing chosen: the user is told what to choose, and nothing is asked.
bool confirmRemovalOf(QWidget* window, const QString& what, const QString& whatToSelect) {
    if (what.isEmpty()) {
        tellWhatToSelect(window, whatToSelect);
        return false;
    }
    return confirmBulkRemoval(window, QObject::tr("%1 will be removed from your device.").arg(what));
}

void subtract(std::atomic<uint64_t>& counter, uint64_t amount) { clean::subtractClamped(counter, amount); }

// Removes the file entries of one app whose paths were removed, from every folder of a tree;
// returns them.
std::vector<PRCleanFileNodePtr> prune(const std::vector<PRCleanDirNodePtr>& level, const QString& bundleId,
                                      const QSet<QString>& removed) {
    std::vector<PRCleanFileNodePtr> gone;
    for (const auto& folder : level) {
        std::vector<PRCleanFileNodePtr> kept;
        for (const auto& file : folder->fileChildren()) {
            if (file->appBundleName == bundleId && removed.contains(file->filePath))
                gone.push_back(file);
            else
                kept.push_back(file);
        }
        if (kept.size() != folder->fileChildren().size()) folder->setFileChildren(std::move(kept));
        auto below = prune(folder->children(), bundleId, removed);
        gone.insert(gone.end(), below.begin(), below.end());
    }
    return gone;
}

}  // namespace

std::shared_ptr<PRCleanViewController::Batch> PRCleanViewController::startBatch(const QString& failureText) {
    auto batch = std::make_shared<Batch>();
    batch->failureText = failureText;
    batch->stamp = tie_.stamp();
    return batch;
}

void PRCleanViewController::finishJob(const std::shared_ptr<Batch>& batch, const ActionResult& result) {
    batch->failures += result.failures + (result.serviceFailed ? 1 : 0);
    batch->files += result.files;
    if (batch->detail.isEmpty()) batch->detail = result.failureDetail();
    if (--batch->remaining > 0) return;
    if (batch->failures > 0) showFailure(batch->failureText, batch->detail);
    // A batch without a folder removed its files: the line says so, failures too, rather than
    // keep telling of an earlier action.
    const bool exported = !batch->exportedTo.isEmpty();
    const QString summary = outcomeSummary(batch->files, batch->failures, exported ? tr("exported") : tr("removed"));
    const bool shown = exported && batch->files > 0;  // a folder nothing went into is not shown
    tellActionDone(view_, endedOnItsDevice(summary, batch->stamp), shown ? batch->exportedTo : QString(), shown);
}

void PRCleanViewController::showFailure(const QString& text, const QString& detail) {
    showActionFailure(
        this, [this]() -> QWidget* { return view_ ? view_->window() : nullptr; }, text, detail);
}

clean::DeviceFileRef PRCleanViewController::refOf(const PRCleanFileNode& node) {
    clean::DeviceFileRef ref;
    ref.filePath = node.filePath;
    ref.appBundleName = node.appBundleName;
    ref.size = node.fileSizeNumber;
    ref.btransfer = node.btransfer;
    ref.transferPath = node.transferPath;
    return ref;
}

// ---- One file of a file table ----------------------------------------------------------------

void PRCleanViewController::removeSelectedFile(Category category) {
    const TreeViews v = viewsOf(category);
    auto node = std::dynamic_pointer_cast<PRCleanFileNode>(v.files->objectAt(selectedRow(v.table)));
    const DeviceStamp stamp = tie_.stamp();
    QWidget* window = view_ ? view_->window() : nullptr;
    if (!confirmRemovalOf(window, node ? QStringLiteral("\"%1\"").arg(node->fileName) : QString(),
                          tr("Select the file to remove in the list first.")) ||
        !stillOnItsDevice(stamp, window))
        return;
    const clean::DeviceFileRef ref = refOf(*node);
    auto batch = startBatch(tr("The file could not be removed from the device."));
    batch->remaining = 1;
    pool_.enqueue([this, stamp, ref, node, category, batch] {
        const ActionResult result = clean::onItsDevice(
            stamp, [&](int device) { return clean::JunkFileActions(services_, device).actRemoveTheNode(ref); });
        performOnMainThread(
            this,
            [=, this] {
                fileRemoved(category, node, result);
                finishJob(batch, result);
            },
            true);
    });
}

void PRCleanViewController::fileRemoved(Category category, const PRCleanFileNodePtr& node, const ActionResult& result) {
    if (result.files == 0) return;  // the row and its bytes stay
    const TreeViews v = viewsOf(category);
    v.files->removeObject(node.get());
    if (auto folder = node->parent.lock()) folder->removeFileChild(node.get());
    if (v.table) v.table->viewport()->update();
    subtract(counters_.totalFileSize, node->fileSizeNumber);
    subtract(counters_.sizeOf(category), node->fileSizeNumber);
    subtract(counters_.totalFileNumber, 1);
    // A category entry that is itself a file was never counted among the category's files.
    if (node->filePath != clean::categoryFolderOf(v.cleanType)) subtract(counters_.numberOf(category), 1);
    v.sizeNotice->post(NSNotificationCenter::defaultCenter(),
                       NSNumber::numberWithUnsignedLongLong(node->fileSizeNumber), this);
    v.tree->removeEmptyCleanFolders();
    countsChanged();
}

void PRCleanViewController::CleanCacheFile(QObject*) { removeSelectedFile(Category::Cache); }
void PRCleanViewController::CleanJunkFile(QObject*) { removeSelectedFile(Category::Junk); }
void PRCleanViewController::CleanCookieFile(QObject*) { removeSelectedFile(Category::Cookie); }

// ---- One app's category folder, or every app's ---------------------------------------------

void PRCleanViewController::removeSelectedFolder(Category category) {
    const TreeViews v = viewsOf(category);
    PRCleanDirNodePtr row;
    if (v.outline && selectedRow(v.outline) >= 0)
        row = v.tree->cleanNodeForIndex(v.outline->selectionModel()->selectedRows().first());
    const DeviceStamp stamp = tie_.stamp();
    QWidget* window = view_ ? view_->window() : nullptr;
    const QString app = row && !row->appDisplayName.isEmpty() ? row->appDisplayName
                        : row                                 ? row->fileDirName
                                                              : QString();
    if (!confirmRemovalOf(window, row ? tr("All %1 of \"%2\"").arg(tr(kNames[int(category)]), app) : QString(),
                          tr("Select the folder to remove on the left first.")) ||
        !stillOnItsDevice(stamp, window))
        return;
    row->cleanType = v.cleanType;
    const QString bundleId = row->appBundleName;
    const QString cleanType = row->cleanType;
    auto batch = startBatch(tr("Some files could not be removed from the device."));
    batch->remaining = 1;
    pool_.enqueue([this, stamp, bundleId, cleanType, category, batch] {
        const ActionResult result = clean::onItsDevice(stamp, [&](int device) {
            return clean::JunkFileActions(services_, device).actRemoveDirNode(bundleId, cleanType);
        });
        performOnMainThread(
            this,
            [=, this] {
                folderEmptied(category, bundleId, result);
                finishJob(batch, result);
            },
            true);
    });
}

void PRCleanViewController::removeAllFolders(Category category) {
    const TreeViews v = viewsOf(category);
    // Each app's folder once, however many of its rows the outline shows.
    QStringList bundles;
    for (const auto& top : v.tree->cleanContent()) {
        top->cleanType = v.cleanType;
        if (!top->appBundleName.isEmpty() && !bundles.contains(top->appBundleName)) bundles << top->appBundleName;
    }
    if (bundles.isEmpty()) return;
    auto batch = startBatch(tr("Some files could not be removed from the device."));
    batch->remaining = int(bundles.size());
    const QString cleanType = v.cleanType;
    for (const QString& bundleId : bundles)
        pool_.enqueue([this, stamp = tie_.stamp(), bundleId, cleanType, category, batch] {
            const ActionResult result = clean::onItsDevice(stamp, [&](int device) {
                return clean::JunkFileActions(services_, device).actRemoveDirNode(bundleId, cleanType);
            });
            performOnMainThread(
                this,
                [=, this] {
                    folderEmptied(category, bundleId, result);
                    finishJob(batch, result);
                },
                true);
        });
}

void PRCleanViewController::folderEmptied(Category category, const QString& bundleId, const ActionResult& result) {
    if (result.devicePaths.isEmpty()) return;
    const TreeViews v = viewsOf(category);
    const QSet<QString> removed(result.devicePaths.begin(), result.devicePaths.end());
    const auto gone = prune(v.tree->cleanContent(), bundleId, removed);
    uint64_t bytes = 0;
    for (const auto& file : gone) {
        bytes += file->fileSizeNumber;
        v.files->removeObject(file.get());
    }
    subtract(counters_.totalFileSize, bytes);
    subtract(counters_.sizeOf(category), bytes);
    subtract(counters_.totalFileNumber, gone.size());
    subtract(counters_.numberOf(category), gone.size());
    if (v.table) v.table->viewport()->update();
    // As the single-file path does: the sidebar's label, the summary and the tree follow.
    if (bytes > 0)
        v.sizeNotice->post(NSNotificationCenter::defaultCenter(), NSNumber::numberWithUnsignedLongLong(bytes), this);
    v.tree->removeEmptyCleanFolders();
    countsChanged();
}

void PRCleanViewController::cleanCacheDirFile(QObject*) { removeSelectedFolder(Category::Cache); }
void PRCleanViewController::CleanJunkDirFile(QObject*) { removeSelectedFolder(Category::Junk); }
void PRCleanViewController::CleanCookieDirFile(QObject*) { removeSelectedFolder(Category::Cookie); }
void PRCleanViewController::cleanAllCacheFiles(QObject*) { confirmAndRemoveAllFolders(Category::Cache); }
void PRCleanViewController::CleanAllJunkFiles(QObject*) { confirmAndRemoveAllFolders(Category::Junk); }
void PRCleanViewController::CleanAllCookieFiles(QObject*) { confirmAndRemoveAllFolders(Category::Cookie); }

void PRCleanViewController::confirmAndRemoveAllFolders(Category category) {
    if (viewsOf(category).tree->cleanContent().empty()) return;
    const DeviceStamp stamp = tie_.stamp();
    const QString what = tr("All %1 found on your device will be removed: %2 files, %3.")
                             .arg(tr(kNames[int(category)]))
                             .arg(qulonglong(counters_.numberOf(category).load()))
                             .arg(QString::fromStdString(sizeText(counters_.sizeOf(category).load())));
    if (!confirmBulkRemoval(view_ ? view_->window() : nullptr, what)) return;
    // The device may have gone, and another come, while the question was open.
    if (!stillOnItsDevice(stamp, view_ ? view_->window() : nullptr)) return;
    removeAllFolders(category);
}

void PRCleanViewController::removeEverythingFound() {
    for (Category category : {Category::Cache, Category::Junk, Category::Cookie}) removeAllFolders(category);
    removeAllSyncFiles();
}

// ---- Sync-media leftovers -------------------------------------------------------------------

void PRCleanViewController::syncFilesRemoved(const std::vector<PRCleanFileNodePtr>& records,
                                             const ActionResult& result) {
    const QSet<QString> removed(result.devicePaths.begin(), result.devicePaths.end());
    for (const auto& record : records) {
        if (!removed.contains(record->filePath)) continue;
        syncFailedController->removeObject(record.get());
        auto it = std::find(syncFailedFileArray.begin(), syncFailedFileArray.end(), record);
        if (it != syncFailedFileArray.end()) syncFailedFileArray.erase(it);
        subtract(counters_.totalFileSize, record->fileSizeNumber);
        subtract(counters_.totalFileNumber, 1);
    }
    if (!removed.isEmpty()) countsChanged();
}

void PRCleanViewController::CleanSyncedMediaFile(QObject*) {
    auto record = std::dynamic_pointer_cast<PRCleanFileNode>(
        syncFailedController->objectAt(selectedRow(clean_.syncFailedTableView)));
    const DeviceStamp stamp = tie_.stamp();
    QWidget* window = view_ ? view_->window() : nullptr;
    if (!confirmRemovalOf(window, record ? QStringLiteral("\"%1\"").arg(record->fileName) : QString(),
                          tr("Select the file to remove in the list first.")) ||
        !stillOnItsDevice(stamp, window))
        return;
    const clean::DeviceFileRef ref = refOf(*record);
    auto batch = startBatch(tr("The file could not be removed from the device."));
    batch->remaining = 1;
    pool_.enqueue([this, stamp, ref, record, batch] {
        const ActionResult result = clean::onItsDevice(
            stamp, [&](int device) { return clean::JunkFileActions(services_, device).actRemoveTheNode(ref); });
        performOnMainThread(
            this,
            [=, this] {
                syncFilesRemoved({record}, result);
                finishJob(batch, result);
            },
            true);
    });
}

void PRCleanViewController::CleanAllSyncedMediaFile(QObject*) {
    if (syncFailedController->content().empty()) return;
    const DeviceStamp stamp = tie_.stamp();
    uint64_t bytes = 0;
    for (const auto& record : syncFailedFileArray) bytes += record->fileSizeNumber;
    const QString what = tr("All failed-sync leftovers found on your device will be removed: %1, %2.")
                             .arg(counted(syncFailedController->content().size(), "file", "files"))
                             .arg(QString::fromStdString(sizeText(bytes)));
    if (!confirmBulkRemoval(view_ ? view_->window() : nullptr, what)) return;
    if (!stillOnItsDevice(stamp, view_ ? view_->window() : nullptr)) return;
    removeAllSyncFiles();
}

void PRCleanViewController::removeAllSyncFiles() {
    std::vector<PRCleanFileNodePtr> records;
    for (const auto& object : syncFailedController->content())
        if (auto record = std::dynamic_pointer_cast<PRCleanFileNode>(object)) records.push_back(record);
    if (records.empty()) return;
    // In chunks: one job and one hand-over per chunk, not per file.
    constexpr size_t kChunk = 64;
    auto batch = startBatch(tr("Some files could not be removed from the device."));
    batch->remaining = int((records.size() + kChunk - 1) / kChunk);
    for (size_t from = 0; from < records.size(); from += kChunk) {
        std::vector<PRCleanFileNodePtr> chunk(records.begin() + from,
                                              records.begin() + std::min(records.size(), from + kChunk));
        std::vector<clean::DeviceFileRef> refs;
        for (const auto& record : chunk) refs.push_back(refOf(*record));
        pool_.enqueue([this, stamp = tie_.stamp(), chunk, refs, batch] {
            const ActionResult all = clean::onItsDevice(stamp, [&](int device) {
                clean::JunkFileActions actions(services_, device);
                ActionResult chunkResult;
                for (const auto& ref : refs) {
                    const ActionResult one = actions.actRemoveTheNode(ref);
                    chunkResult.files += one.files;
                    chunkResult.bytes += one.bytes;
                    chunkResult.failures += one.failures + (one.serviceFailed ? 1 : 0);
                    chunkResult.devicePaths += one.devicePaths;
                }
                return chunkResult;
            });
            performOnMainThread(
                this,
                [=, this] {
                    syncFilesRemoved(chunk, all);
                    finishJob(batch, all);
                },
                true);
        });
    }
}

// ---- Export ---------------------------------------------------------------------------------

QString PRCleanViewController::exportPath() const {
    QMutexLocker lock(&exportPathMutex_);
    return exportPath_;
}

void PRCleanViewController::setExportPath(const QString& path) {
    QMutexLocker lock(&exportPathMutex_);
    exportPath_ = path;
}

void PRCleanViewController::chooseExport(bool oneFile, bool cache, bool junk, bool cookie, bool synced) {
    bExportFile = oneFile;
    bExportDirFile = !oneFile;
    bExportCache = cache;
    bExportJunk = junk;
    bExportCookie = cookie;
    bExportSynced = synced;
    ExportOpenpanelAction();
}

void PRCleanViewController::ExportTheCacheFileToMac(QObject*) { chooseExport(true, true, false, false, false); }
void PRCleanViewController::ExportTheJunkFiletoMac(QObject*) { chooseExport(true, false, true, false, false); }
void PRCleanViewController::ExportTheCookieFiletoMac(QObject*) { chooseExport(true, false, false, true, false); }
void PRCleanViewController::ExportTheSyncedFiletoMac(QObject*) { chooseExport(true, false, false, false, true); }
void PRCleanViewController::ExportCacheFilesToMac(QObject*) { chooseExport(false, true, false, false, false); }
void PRCleanViewController::ExportJunkFilestoMac(QObject*) { chooseExport(false, false, true, false, false); }
void PRCleanViewController::ExportCookieFilestoMac(QObject*) { chooseExport(false, false, false, true, false); }

QString PRCleanViewController::proposedExportName(const QDateTime& when) {
    const QString time = QStringLiteral("%1.%2.%3")
                             .arg(when.time().hour(), 2, 10, QLatin1Char('0'))
                             .arg(when.time().minute(), 2, 10, QLatin1Char('0'))
                             .arg(when.time().second(), 2, 10, QLatin1Char('0'));
    return tr("Quillomatrix %1 - %2").arg(when.date().toString(QStringLiteral("yyyy-MM-dd")), time);
}

void PRCleanViewController::ExportOpenpanelAction() {
    PanelRequest panel;
    panel.kind = PanelRequest::Kind::Save;
    panel.suggestedName = proposedExportName(QDateTime::currentDateTime());
    panel.window = view_ ? view_->window() : nullptr;
    const QString chosen = dialogs::runPanelForPath(panel);
    savePanelDidEnd(chosen.isEmpty() ? 0 : 1, chosen);
}

void PRCleanViewController::savePanelDidEnd(int returnCode, const QString& path) {
    if (returnCode != 1 || path.isEmpty()) return;
    if (!bExportFile && !bExportDirFile) return;
    const QString target = makeNewExportFolder(view_ ? view_->window() : nullptr, path);
    if (target.isEmpty()) return;
    setExportPath(target);
    if (bExportFile) {
        // The row is read here, on the main thread; the worker gets plain values.
        std::optional<clean::DeviceFileRef> ref;
        QAbstractItemView* table = nullptr;
        PRAppFileController* files = nullptr;
        bool* flag = nullptr;
        if (bExportCache)
            table = clean_.cacheFileTableView, files = CacheFileController, flag = &bExportCache;
        else if (bExportJunk)
            table = clean_.junkFileTableView, files = JunkFileController, flag = &bExportJunk;
        else if (bExportCookie)
            table = clean_.cookieTableView, files = CookFileController, flag = &bExportCookie;
        else if (bExportSynced)
            table = clean_.syncFailedTableView, files = syncFailedController, flag = &bExportSynced;
        if (flag) {
            if (auto node = std::dynamic_pointer_cast<PRCleanFileNode>(files->objectAt(selectedRow(table))))
                ref = refOf(*node);
            *flag = false;
        }
        auto batch = startBatch(tr("The file could not be copied from the device."));
        batch->remaining = 1;
        batch->exportedTo = target;
        pool_.enqueue([this, stamp = tie_.stamp(), ref, target, batch] {
            ActionResult result;
            if (ref)
                result = clean::onItsDevice(stamp, [&](int device) {
                    return clean::JunkFileActions(services_, device).actExportTheNode(*ref, target);
                });
            performOnMainThread(
                this, [=, this] { finishJob(batch, result); }, true);
        });
        return;
    }
    // One app's category folder.
    Category category;
    bool* flag;
    if (bExportCache)
        category = Category::Cache, flag = &bExportCache;
    else if (bExportJunk)
        category = Category::Junk, flag = &bExportJunk;
    else if (bExportCookie)
        category = Category::Cookie, flag = &bExportCookie;
    else
        return;
    const TreeViews v = viewsOf(category);
    if (!v.outline || selectedRow(v.outline) < 0) return;
    *flag = false;
    PRCleanDirNodePtr row = v.tree->cleanNodeForIndex(v.outline->selectionModel()->selectedRows().first());
    if (!row) return;
    const QString bundleId = row->appBundleName;
    const QString folder = clean::categoryFolderOf(v.cleanType);
    auto batch = startBatch(tr("Some files could not be copied from the device."));
    batch->remaining = 1;
    batch->exportedTo = target;
    pool_.enqueue([this, stamp = tie_.stamp(), bundleId, folder, target, batch] {
        const ActionResult result = clean::onItsDevice(stamp, [&](int device) {
            return clean::JunkFileActions(services_, device).exportCategoryFolder(bundleId, folder, target);
        });
        performOnMainThread(
            this, [=, this] { finishJob(batch, result); }, true);
    });
}
