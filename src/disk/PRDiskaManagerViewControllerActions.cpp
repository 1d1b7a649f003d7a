// The disk manager's actions on its result tables: removal of photos, tracks, videos, books and
// user files after the user's confirmation, their export to the export folder (selected rows or
// all), the export of an app's container and the uninstall of an app.
//
// Removal runs on the main thread once the one confirmation was answered; only rows whose files
// really went leave their tables and count in the removed-byte totals, and one alert names the
// first refusal. Exports copy on a worker and then show the folder they wrote to.
#include "appcore/AppState.h"
#include "disk/DiskAppListController.h"
#include "disk/DiskBookListController.h"
#include "disk/DiskMusicListController.h"
#include "disk/DiskPageParts.h"
#include "disk/DiskPhotoListController.h"
#include "disk/PRDiskaManagerViewController.h"
#include "disk/PRSystemlibFileController.h"
#include "disk/core/LargeFileActions.h"
#include "disk/core/LocalCopies.h"
#include "model/PRRecordFields.h"
#include "platform/Dialogs.h"
#include "platform/LocalNames.h"
#include "platform/Paths.h"
#include "platform/Threads.h"
#include "platform/Workspace.h"
#include "widgets/DeviceRefusal.h"
#include "widgets/NothingSelected.h"

#include <QBoxLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <algorithm>

using disk::DiskCategory;

namespace {

const char* const kRemoveMessage = "Are you sure you want to permanently delete the selected file(s) from your device?";
const char* const kBookCaution =
    "CAUTION: Only advanced users should delete files. Because device databases manage many files types, includes "
    "photos and videos, deleting files may lead to unexpected results.";

int firstSelectedViewRow(const QTableView* table) {
    int first = -1;
    if (QItemSelectionModel* selection = table->selectionModel())
        for (const QModelIndex& index : selection->selectedRows())
            if (first < 0 || index.row() < first) first = index.row();
    return first;
}

// The records of the selected rows, in content order (as the export copies them).
template <class Ptr, class Controller>
std::vector<Ptr> selectedRecords(const QTableView* table, const Controller* controller) {
    QList<int> rows = diskpages::selectedSourceRows(table);
    std::sort(rows.begin(), rows.end());
    std::vector<Ptr> records;
    for (int row : rows)
        if (Ptr record = controller->objectAt(row)) records.push_back(record);
    return records;
}

template <class Ptr>
void dropFrom(std::vector<Ptr>& list, const std::vector<Ptr>& gone) {
    std::erase_if(list, [&](const Ptr& p) { return std::find(gone.begin(), gone.end(), p) != gone.end(); });
}

// One removal: the selected rows are taken before anything goes, the user confirms once, and the
// rows whose files are gone leave the table (and the scan's list when given); then no row is
// selected. Nothing is done either when the rows' device
// (stamp) went while the question was open. Nothing selected: nothing asked, and the user is told
// what to select.
// One alert names the first refusal.
template <class Ptr, class Controller, class PathOf>
disk::ActionResult removeSelected(disk::DiskDeviceServices& services, const DeviceStamp& stamp, QWidget* window,
                                  QTableView* table, Controller* controller, std::vector<Ptr>* scanned, PathOf pathOf,
                                  const QString& informative = QString(), std::vector<Ptr>* goneOut = nullptr,
                                  bool wholeFolders = true) {
    const std::vector<Ptr> records = selectedRecords<Ptr>(table, controller);
    if (records.empty()) {
        tellWhatToSelect(window, QObject::tr("Select the items to remove in the list first."));
        return {};
    }
    if (!diskpages::confirmRemoval(window, QObject::tr(kRemoveMessage), informative)) return {};
    if (!stillOnItsDevice(stamp, window)) return {};
    std::vector<std::string> paths;
    for (const Ptr& record : records) paths.push_back(pathOf(*record));
    std::vector<bool> removed;
    disk::ActionResult result;
    {
        const auto onlyItsDevice = stamp.onlyThisDevice();
        result = disk::DiskManagerActions(services, stamp.index()).removeItems(paths, removed, wholeFolders);
    }
    std::vector<Ptr> gone;
    for (size_t i = 0; i < records.size(); ++i)
        if (removed[i]) gone.push_back(records[i]);  // a refused removal keeps its row
    std::vector<Ptr> content = controller->content();
    dropFrom(content, gone);
    controller->setContent(std::move(content));
    if (scanned) dropFrom(*scanned, gone);
    table->clearSelection();  // nothing chosen stays chosen: a second click removes nothing
    if (goneOut) *goneOut = std::move(gone);
    diskpages::removalEnded(window, result);
    return result;
}

void raise(AppCounter counter, uint64_t bytes) {
    if (AppState* state = AppState::current()) state->raiseCounter(counter, bytes);
}

QString lastComponent(const std::string& devicePath) {
    return QString::fromStdString(paths::lastPathComponent(devicePath));
}

disk::ExportItem photoItem(const PRPhotoAndVideoNode& photo) {
    disk::ExportItem item{photo.filePath(), lastComponent(photo.filePath()), {}};
    // The preview's copy saves asking the device again.
    if (photo.bhasCopy()) item.localCopy = QString::fromStdString(disk::previewCopyPath(photo.filePath()));
    return item;
}

// A file exported under the title the list shows and its file's extension; the file's own name
// where there is no title.
QString titledName(const std::string& title, const std::string& devicePath) {
    const QString shown = QString::fromStdString(title).trimmed();
    if (shown.isEmpty()) return lastComponent(devicePath);
    const std::string extension = paths::pathExtension(devicePath);
    return extension.empty() ? shown : shown + QLatin1Char('.') + QString::fromStdString(extension);
}

disk::ExportItem trackItem(const PRTranMusicNode& track) {
    return {track.musicLoctionpath(), titledName(track.musicTitle(), track.musicLoctionpath()), {}};
}

disk::ExportItem bookItem(const PRBookNode& book) {
    return {book.filePath(), titledName(book.bookName(), book.filePath()), {}};
}

template <class Ptr, class MakeItem>
std::vector<disk::ExportItem> itemsOf(const std::vector<Ptr>& records, MakeItem make) {
    std::vector<disk::ExportItem> items;
    for (const Ptr& record : records) items.push_back(make(*record));
    return items;
}

}  // namespace

QWidget* PRDiskaManagerViewController::window() const { return pages_ ? pages_->window() : nullptr; }

void PRDiskaManagerViewController::addActionButtons(
    QWidget* page, const std::vector<std::pair<QString, std::function<void()>>>& buttons) {
    auto* layout = qobject_cast<QBoxLayout*>(page->layout());
    if (!layout) return;
    auto* row = new QHBoxLayout;
    row->addStretch(1);
    for (const auto& [title, action] : buttons) {
        auto* button = new QPushButton(title, page);
        button->setObjectName(page->objectName() + QLatin1Char('_') + QString(title).remove(QLatin1Char(' ')));
        connect(button, &QPushButton::clicked, this, action);
        row->addWidget(button);
    }
    layout->addLayout(row);
}

void PRDiskaManagerViewController::startExport(std::vector<disk::ExportItem> items, const QString& folder,
                                               bool selection) {
    if (items.empty()) {
        // Export All of an empty table has nothing to do; Export with nothing selected says so.
        if (selection) tellWhatToSelect(window(), tr("Select the items to export in the list first."));
        return;
    }
    const DeviceStamp stamp = tie_.stamp();
    if (!stillOnItsDevice(stamp, window())) return;
    exportWorkers_.enqueue([this, items = std::move(items), folder, stamp] {
        const auto onlyItsDevice = stamp.onlyThisDevice();
        const disk::ActionResult result =
            disk::DiskManagerActions(services_, stamp.index()).exportItems(items, folder, &stopping_);
        handOff([this, result, folder, stamp] { diskpages::exportEnded(window(), result, folder, &stamp); });
    });
}

// ---- Photos, music, videos and books ----------------------------------------------------------

void PRDiskaManagerViewController::RemovePhotoItem(QObject*) {
    removed(DiskCategory::Photos, AppCounter::TotalPhotoRemoveFileSize,
            removeSelected(services_, tie_.stamp(), window(), photoFileTableview, photoFileController, &photoFilesArray,
                           [](const PRPhotoAndVideoNode& p) { return p.filePath(); }));
}

void PRDiskaManagerViewController::RemoveMusicItem(QObject*) {
    removed(DiskCategory::Music, AppCounter::TotalMusicRemoveFileSize,
            removeSelected(services_, tie_.stamp(), window(), musicFileTableView, muiscFileController, &musicFilesArray,
                           [](const PRTranMusicNode& t) { return t.musicLoctionpath(); }));
}

void PRDiskaManagerViewController::RemoveVideoItem(QObject*) {
    removed(DiskCategory::Videos, AppCounter::TotalVideoRemoveFileSize,
            removeSelected(services_, tie_.stamp(), window(), vidoeFileTableView, videoFileController, &videoFilesArray,
                           [](const PRTranMusicNode& t) { return t.musicLoctionpath(); }));
}

void PRDiskaManagerViewController::RemoveBookItem(QObject*) {
    removed(DiskCategory::Books, AppCounter::TotalBooksRemoveFileSize,
            removeSelected(
                services_, tie_.stamp(), window(), bookFileTableview, booksFileController, &bookFilesArray,
                [](const PRBookNode& b) { return b.filePath(); }, QObject::tr(kBookCaution)));
}

uint64_t* PRDiskaManagerViewController::totalOf(DiskCategory category) {
    switch (category) {
    case DiskCategory::Photos: return &allPhotoFileSize;
    case DiskCategory::Music: return &allMusicFileSize;
    case DiskCategory::Videos: return &allVideoFileSize;
    case DiskCategory::Books: return &allBooksFileSize;
    case DiskCategory::UserApps: return &allAppFileSize;
    case DiskCategory::SystemApps: return &allSystemAppFileSize;
    case DiskCategory::UserData: return &allUserDataFileSize;
    }
    return &allUserDataFileSize;
}

std::optional<AppCounter> PRDiskaManagerViewController::removalCounterOf(DiskCategory category) {
    switch (category) {
    case DiskCategory::Photos: return AppCounter::TotalPhotoRemoveFileSize;
    case DiskCategory::Music: return AppCounter::TotalMusicRemoveFileSize;
    case DiskCategory::Videos: return AppCounter::TotalVideoRemoveFileSize;
    case DiskCategory::Books: return AppCounter::TotalBooksRemoveFileSize;
    case DiskCategory::UserApps: return AppCounter::TotalAppRemoveFileSize;
    case DiskCategory::UserData: return AppCounter::TotalUserdataRemoveFileSize;
    case DiskCategory::SystemApps: break;
    }
    return std::nullopt;
}

void PRDiskaManagerViewController::removed(DiskCategory category, AppCounter counter,
                                           const disk::ActionResult& result) {
    if (result.bytes == 0) return;
    raise(counter, result.bytes);
    removalsTaken_[category] += result.bytes;  // taken off below, not again as a removal elsewhere
    // The category's figure on the summary counts what is still on the device.
    uint64_t* total = totalOf(category);
    *total -= std::min(*total, result.bytes);
    rowOf(category).size->setText(QString::fromStdString(sizeText(*total)));
}

void PRDiskaManagerViewController::followRemovalsElsewhere() {
    const AppState* state = AppState::current();
    if (!state) return;
    for (auto& [category, taken] : removalsTaken_) {
        const uint64_t now = state->counter(*removalCounterOf(category));
        if (now <= taken) {
            taken = now;  // the counts started over (another device)
            continue;
        }
        uint64_t* total = totalOf(category);
        *total -= std::min(*total, now - taken);
        taken = now;
        rowOf(category).size->setText(QString::fromStdString(sizeText(*total)));
    }
}

void PRDiskaManagerViewController::ExportPhotoItem(QObject*) {
    startExport(itemsOf(selectedRecords<PRPhotoAndVideoNodePtr>(photoFileTableview, photoFileController), photoItem),
                AppState::exportFolder(), /*selection*/ true);
}

void PRDiskaManagerViewController::ExportMusicItem(QObject*) {
    startExport(itemsOf(selectedRecords<PRTranMusicNodePtr>(musicFileTableView, muiscFileController), trackItem),
                AppState::exportFolder(), /*selection*/ true);
}

void PRDiskaManagerViewController::ExportVideoItem(QObject*) {
    startExport(itemsOf(selectedRecords<PRTranMusicNodePtr>(vidoeFileTableView, videoFileController), trackItem),
                AppState::exportFolder(), /*selection*/ true);
}

void PRDiskaManagerViewController::ExportBookItem(QObject*) {
    startExport(itemsOf(selectedRecords<PRBookNodePtr>(bookFileTableview, booksFileController), bookItem),
                AppState::exportFolder(), /*selection*/ true);
}

void PRDiskaManagerViewController::ExportAllPhotoItem(QObject*) {
    startExport(itemsOf(photoFileController->content(), photoItem), AppState::exportFolder());
}

void PRDiskaManagerViewController::ExportAllMusicItem(QObject*) {
    startExport(itemsOf(muiscFileController->content(), trackItem), AppState::exportFolder());
}

void PRDiskaManagerViewController::ExportAllMoviesItem(QObject*) {
    startExport(itemsOf(videoFileController->content(), trackItem), AppState::exportFolder());
}

void PRDiskaManagerViewController::ExportAllBookItem(QObject*) {
    startExport(itemsOf(booksFileController->content(), bookItem), AppState::exportFolder());
}

// ---- Apps -------------------------------------------------------------------------------------

void PRDiskaManagerViewController::ExportAppData(QObject*) {
    const QList<int> rows = diskpages::selectedSourceRows(appFileTableView);
    if (rows.isEmpty()) {
        tellWhatToSelect(window(), tr("Select the app to export in the list first."));
        return;
    }
    const PRAppDirTreeNodePtr app = appFileController->objectAt(rows.front());
    if (!app) return;
    // Two apps of one name each get a folder of their own.
    QString name = app->appDisplayName.isEmpty() ? app->appBundleId : app->appDisplayName;
    for (const PRAppDirTreeNodePtr& other : appFilesArray)
        if (other != app && other->appDisplayName == app->appDisplayName) {
            name += QStringLiteral(" (%1)").arg(app->appBundleId);
            break;
        }
    const QString folder = AppState::exportFolder() + QLatin1Char('/') + localnames::safeLocalName(name);
    const std::string bundleId = app->appBundleId.toStdString();
    const DeviceStamp stamp = tie_.stamp();
    if (!stillOnItsDevice(stamp, window())) return;
    exportWorkers_.enqueue([this, bundleId, folder, stamp] {
        const auto onlyItsDevice = stamp.onlyThisDevice();
        const disk::ActionResult result =
            disk::DiskManagerActions(services_, stamp.index()).exportAppContainer(bundleId, folder, &stopping_);
        // Where it went: "Recipe Box (2)" when an earlier export has "Recipe Box".
        const QString made = result.folder.empty() ? folder : QString::fromStdString(result.folder);
        handOff([this, result, made, stamp] { diskpages::exportEnded(window(), result, made, &stamp); });
    });
}

void PRDiskaManagerViewController::UninStallAppData(QObject*) {
    const QList<int> rows = diskpages::selectedSourceRows(appFileTableView);
    if (rows.isEmpty()) {
        tellWhatToSelect(window(), tr("Select the app to uninstall in the list first."));
        return;
    }
    // The row clicked last when it is selected, else the first selected one.
    QItemSelectionModel* selection = appFileTableView->selectionModel();
    const bool currentSelected = selection->isRowSelected(appFileTableView->currentIndex().row(), QModelIndex());
    const int viewRow =
        currentSelected ? appFileTableView->currentIndex().row() : firstSelectedViewRow(appFileTableView);
    const PRAppDirTreeNodePtr app =
        appFileController->objectAt(currentSelected ? diskpages::currentSourceRow(appFileTableView) : rows.front());
    if (!app) return;
    const DeviceStamp stamp = tie_.stamp();
    AlertRequest alert;
    alert.messageText = QStringLiteral("Are you sure you want to permanently uninstall the %1.app from your device?")
                            .arg(app->appDisplayName);
    alert.buttons = {tr("Uninstall"), tr("Cancel")};
    alert.window = window();
    if (dialogs::runAlert(alert.destructive()) != NSAlertFirstButtonReturn) return;
    if (!stillOnItsDevice(stamp, window())) return;

    disk::LargeFileRecord record;
    record.appBundId = app->appBundleId.toStdString();
    record.fileParentName = app->appDisplayName.toStdString() + ".app";
    record.appFileSizeNumber = app->totalAppSizeNumber;
    disk::ActionResult result;
    {
        const auto onlyItsDevice = stamp.onlyThisDevice();
        result = disk::LargeFileActions(services_, stamp.index()).uninstallApp(record);
    }
    if (!result.ok()) {  // a refused uninstall keeps the app's row and its bytes
        diskpages::alertFailures(window(), tr("The app could not be uninstalled."), result);
        return;
    }
    dropFrom(appFilesArray, {app});
    std::vector<PRAppDirTreeNodePtr> content = appFileController->content();
    dropFrom(content, {app});
    appFileController->setContent(std::move(content));
    // The app that followed takes the row; after the last app nothing is selected.
    appFileTableView->clearSelection();
    if (viewRow >= 0 && viewRow < appFileTableView->model()->rowCount()) appFileTableView->selectRow(viewRow);
    removed(DiskCategory::UserApps, AppCounter::TotalAppRemoveFileSize, result);
}

// ---- User data --------------------------------------------------------------------------------

void PRDiskaManagerViewController::ExportUserData(QObject*) {
    std::vector<disk::ExportItem> items;
    for (const PRPhoneSystemFileNodePtr& file :
         selectedRecords<PRPhoneSystemFileNodePtr>(userLibDataFileTableView, libFileController))
        items.push_back({devicePathOf(*file), lastComponent(devicePathOf(*file)), {}});
    startExport(std::move(items), AppState::exportFolder(), /*selection*/ true);
}

void PRDiskaManagerViewController::RemoveUerDataFile(QObject*) {
    std::vector<PRPhoneSystemFileNodePtr> gone;
    const auto result = removeSelected<PRPhoneSystemFileNodePtr>(
        services_, tie_.stamp(), window(), userLibDataFileTableView, libFileController, nullptr,
        [](const PRPhoneSystemFileNode& f) { return devicePathOf(f); }, QString(), &gone,
        /*wholeFolders*/ false);
    // The folder's list in the outline forgets them too, so that they are not listed again.
    for (const PRPhoneSystemFileNodePtr& file : gone)
        if (PRPhoneSystemDirNodePtr folder = file->parent.lock()) {
            std::vector<PRPhoneSystemFileNodePtr> files = folder->fileChildren();
            dropFrom(files, {file});
            folder->setFileChildren(std::move(files));
        }
    removed(DiskCategory::UserData, AppCounter::TotalUserdataRemoveFileSize, result);
}
