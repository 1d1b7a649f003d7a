// The app sub-view: an outline of the user apps (with their icons) and their containers'
// folders, and a table of the selected folder's files. An app's first selection reads its whole
// container; from the table the user adds a computer file beside a file, deletes files after a
// confirmation, and exports files to a chosen folder (at their container paths) or into
// Documents; from the outline, exports a whole folder.
#include "clean/PRAppFileController.h"
#include "clean/PRAppTreeController.h"
#include "disk/core/LocalCopies.h"
#include "model/PRRecordFields.h"
#include "platform/Counted.h"
#include "platform/Dialogs.h"
#include "platform/Images.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/Threads.h"
#include "transfer/DocumentPicture.h"
#include "transfer/PRTansferViewController.h"
#include "transfer/TransferNotices.h"
#include "widgets/ActionResultLine.h"
#include "widgets/ColumnFit.h"
#include "widgets/DeviceRefusal.h"
#include "widgets/ElidedText.h"
#include "widgets/NameTakenQuestion.h"
#include "widgets/NothingSelected.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPixmap>
#include <QPushButton>
#include <QSplitter>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>
#include <algorithm>

namespace {

const std::vector<PRAppFileController::Column> kAppFileColumns = {PRAppFileController::Column::FileName,
                                                                  PRAppFileController::Column::FileSize,
                                                                  PRAppFileController::Column::FileType};

// The container path of an outline folder, found from a file below it (a folder's node keeps
// the path of the record that made it, which may be a file deeper down). A folder with no file
// below it was made by its own record, which the container read gives before its content.
QString containerPathOf(const PRAppDirTreeNode& folder) {
    int depth = 0;
    const PRAppDirTreeNode* node = &folder;
    while (node) {
        if (!node->fileChildren().empty()) {
            QString path = node->fileChildren().front()->filePath;
            for (int up = 0; up <= depth; ++up) path = path.left(std::max<qsizetype>(0, path.lastIndexOf('/')));
            return path.isEmpty() ? QStringLiteral("/") : path;
        }
        node = node->children().empty() ? nullptr : node->children().front().get();
        ++depth;
    }
    return folder.filePath;
}

}  // namespace

void PRTansferViewController::buildAppView() {
    auto* layout = new QVBoxLayout(appView);
    layout->setContentsMargins(16, 12, 16, 8);
    auto* heading = new QLabel(tr("Apps"), appView);
    heading->setStyleSheet("font-size: 16px; font-weight: bold;");
    layout->addWidget(heading);

    auto* split = new QSplitter(Qt::Horizontal, appView);
    appTreeController = new PRAppTreeController(this);
    appTreeController->setRefreshOutlineHandler([this] { refreshOutlineView(); });
    appOutlineView = new QTreeView(split);
    appOutlineView->setObjectName("appOutlineView");
    appOutlineView->setModel(appTreeController);
    appOutlineView->setHeaderHidden(true);
    appOutlineView->setIconSize({24, 24});
    columnfit::showWholeNames(appOutlineView);
    connect(appOutlineView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { outlineViewSelectionDidChange(); });
    appFileController = new PRAppFileController(kAppFileColumns, this);
    appTableView = new QTableView(split);
    appTableView->setObjectName("appTableView");
    appTableView->setModel(appFileController);
    appTableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    appTableView->setSelectionMode(QAbstractItemView::ExtendedSelection);
    appTableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    appTableView->verticalHeader()->hide();
    columnfit::fitColumns(appTableView);
    connect(appTableView->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { tableViewSelectionDidChange(appTableView); });
    appImageView = new QLabel(split);
    appImageView->setObjectName("appImageView");
    appImageView->setAlignment(Qt::AlignCenter);
    appImageView->setMinimumWidth(160);
    split->addWidget(appOutlineView);
    split->addWidget(appTableView);
    split->addWidget(appImageView);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 3);
    split->setStretchFactor(2, 2);
    layout->addWidget(split, 1);

    auto* buttons = new QHBoxLayout;
    auto add = [&](const QString& text, const char* name, void (PRTansferViewController::*action)(QObject*)) {
        auto* button = new QPushButton(text, appView);
        button->setObjectName(name);
        connect(button, &QPushButton::clicked, this, [this, action] { (this->*action)(nullptr); });
        buttons->addWidget(button);
    };
    add(tr("Add File..."), "addFileBtn", &PRTansferViewController::addFilesToApp);
    add(tr("Delete"), "deleteFileBtn", &PRTansferViewController::AppDeleted);
    buttons->addStretch(1);
    add(tr("Export to Documents"), "exportDocumentBtn", &PRTansferViewController::AppExportFilestoDocument);
    add(tr("Export Files..."), "exportFilesBtn", &PRTansferViewController::AppExportFilestoMac);
    add(tr("Export Folder..."), "exportFolderBtn", &PRTansferViewController::AppDirExporttoMac);
    layout->addLayout(buttons);

    // The context menus act on the folder or the files selected (a row the menu is opened on
    // becomes the selection).
    appDirMenu = tableMenu(appOutlineView, "appDirMenu");
    addMenuAction(appDirMenu, tr("Export Folder..."), &PRTansferViewController::AppDirExporttoMac,
                  MenuNeeds::Selection);
    appFileMenu = tableMenu(appTableView, "appFileMenu");
    // The file lands beside the chosen one.
    addMenuAction(appFileMenu, tr("Add File Here..."), &PRTansferViewController::addFilesToApp, MenuNeeds::Selection);
    appFileMenu->addSeparator();
    addMenuAction(appFileMenu, tr("Select All"), &PRTansferViewController::AppSelectAll, MenuNeeds::Rows);
    addMenuAction(appFileMenu, tr("Unselect All"), &PRTansferViewController::AppUnSelecteAll, MenuNeeds::Selection);
    appFileMenu->addSeparator();
    addMenuAction(appFileMenu, tr("Export to Documents"), &PRTansferViewController::AppExportFilestoDocument,
                  MenuNeeds::Selection);
    addMenuAction(appFileMenu, tr("Export to a Folder..."), &PRTansferViewController::AppExportFilestoMac,
                  MenuNeeds::Selection);
    appFileMenu->addSeparator();
    addMenuAction(appFileMenu, tr("Delete"), &PRTansferViewController::AppDeleted, MenuNeeds::Selection);
    const std::pair<QAbstractItemView*, std::pair<QMenu*, int*>> menus[] = {
        {appOutlineView, {appDirMenu, &appDirClickedRow}}, {appTableView, {appFileMenu, &appFileClickedRow}}};
    for (const auto& [view, menu] : menus) {
        view->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(view, &QWidget::customContextMenuRequested, this,
                [this, view, menu](const QPoint& at) { openTableMenu(view, menu.first, menu.second, at, true); });
    }
}

// ---- The app list ----------------------------------------------------------------------------

void PRTansferViewController::ShowApp(int device) {
    view();
    tie_.tieTo(device);
    if (bappStartTransfer || bAppLoadFinished) return;
    tranferDevice = device;
    bappStartTransfer = true;
    if (AppScanhasStartHandle) AppScanhasStartHandle();
    StartAppThread();
}

void PRTansferViewController::StartAppThread() {
    const DeviceStamp stamp = tie_.tieTo(tranferDevice);
    appWorkers_.start([this, stamp](const std::atomic<bool>& cancelled) {
        const auto onlyItsDevice = stamp.onlyThisDevice();
        std::vector<transfer::ContainerApp> apps;
        const bool listed = transfer::listUserApps(disk::deviceDiskServices(), stamp.index(), apps);
        for (const transfer::ContainerApp& app : apps) {
            if (cancelled) return;
            auto node = PRAppDirTreeNode::create();
            node->appIcon =
                app.iconPNG.empty() ? QImage() : QImage::fromData(app.iconPNG.data(), int(app.iconPNG.size()));
            if (node->appIcon.isNull()) node->appIcon = images::imageNamed(QStringLiteral("NULLImage.png"));
            node->filePath = QStringLiteral("/");  // the app's own row: its container's top
            node->appDisplayName = QString::fromStdString(app.displayName.empty() ? app.bundleId : app.displayName);
            node->appBundleName = QString::fromStdString(app.bundleId);
            node->fileType = QStringLiteral("DIR");
            performOnMainThread(
                this,
                [this, node, &stamp] {
                    if (!appWorkers_.cancelled() && stamp.holds()) appTreeController->addTreeNode(node);
                },
                true);
        }
        if (cancelled) return;
        performOnMainThread(
            this,
            [this, listed, &stamp] {
                if (!appWorkers_.cancelled() && stamp.holds()) ScanAppFinishHandle(listed);
            },
            true);
    });
}

void PRTansferViewController::ScanAppFinishHandle(bool listed) {
    // A list that could not be read is tried again at the next visit.
    bAppLoadFinished = listed;
    bappStartTransfer = false;
    ++appJobsFinished_;
    notices::AppScanFinished.post(NSNotificationCenter::defaultCenter());
}

void PRTansferViewController::refreshOutlineView() {
    if (!bAppLoadFinished) appOutlineView->collapseAll();
}

// ---- Browsing ----------------------------------------------------------------------------------

PRAppDirTreeNodePtr PRTansferViewController::selectedAppFolder() const {
    const QModelIndexList rows = appOutlineView->selectionModel()->selectedRows();
    return rows.isEmpty() ? nullptr : appTreeController->appNodeForIndex(rows.front());
}

void PRTansferViewController::outlineViewSelectionDidChange() {
    const PRAppDirTreeNodePtr node = selectedAppFolder();
    if (!node || appTreeController->BRefreshTreeFlag) return;
    appImageView->clear();  // another folder: no file of the last one is shown
    appFileController->setContent({});
    std::vector<NSObjectPtr> files(node->fileChildren().begin(), node->fileChildren().end());
    if (!files.empty()) appFileController->addObjects(files);
    appTableView->clearSelection();
    // An app's row: its container is read once, on its first selection.
    if (node->parent.expired() && !node->bExpand) {
        node->bExpand = true;
        ExpandItemThread(node);
    }
}

void PRTansferViewController::ExpandItemThread(const PRAppDirTreeNodePtr& app) {
    const DeviceStamp stamp = tie_.stamp();
    const std::string bundleId = app->appBundleName.toStdString();
    const QString displayName = app->appDisplayName;
    const std::function<bool()> connected = deviceConnected;
    appWorkers_.start([this, stamp, bundleId, displayName, connected](const std::atomic<bool>& cancelled) {
        const auto onlyItsDevice = stamp.onlyThisDevice();
        transfer::readContainer(
            disk::deviceDiskServices(), stamp.index(), bundleId,
            [&](const transfer::ContainerEntry& entry) {
                if (cancelled) return;
                // A folder is a row of its own (an empty one too), a file an entry of its folder.
                auto node = PRAppDirTreeNode::create();
                node->filePath = QString::fromStdString(entry.path);
                node->appDisplayName = displayName;
                node->appBundleName = QString::fromStdString(bundleId);
                node->fileType = entry.folder ? QStringLiteral("DIR") : QStringLiteral("FILE");
                if (!entry.folder) node->fileSize = QString::fromStdString(sizeText(entry.size));
                performOnMainThread(
                    this,
                    [this, node, &stamp] {
                        if (!appWorkers_.cancelled() && stamp.holds()) appTreeController->addTreeNode(node);
                    },
                    true);
            },
            [&] { return !cancelled && (!connected || connected()) && stamp.holds(); });
        if (cancelled) return;
        performOnMainThread(
            this,
            [this, &stamp] {
                if (appWorkers_.cancelled() || !stamp.holds()) return;
                ++appJobsFinished_;
                outlineViewSelectionDidChange();
            },
            true);
    });
}

std::vector<transfer::ContainerFile> PRTansferViewController::selectedAppFiles() const {
    QModelIndexList rows = appTableView->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<transfer::ContainerFile> files;
    for (const QModelIndex& index : rows)
        if (auto file = std::dynamic_pointer_cast<PRAppFileTreeNode>(appFileController->objectAt(index.row())))
            files.push_back({file->appBundleName.toStdString(), file->filePath.toStdString()});
    return files;
}

// ---- Preview -----------------------------------------------------------------------------------

void PRTansferViewController::previewAppFile() {
    const QModelIndexList rows = appTableView->selectionModel()->selectedRows();
    const auto file =
        rows.isEmpty() ? nullptr
                       : std::dynamic_pointer_cast<PRAppFileTreeNode>(appFileController->objectAt(rows.first().row()));
    if (!file) {
        appImageView->clear();  // nothing selected: nothing shown
        return;
    }
    if (!file->btransfer) {
        // The first preview copies the document into the private "DB" folder, at its app's and
        // container path (two documents of one name each get their own copy); the page's later
        // previews reuse that copy. A copy that failed is not marked, so that the next selection
        // tries again instead of showing a missing file.
        const QString folder = QString::fromStdString(disk::localCopyFolder("DB"));
        const transfer::ContainerFile entry{file->appBundleName.toStdString(), file->filePath.toStdString()};
        const DeviceStamp stamp = tie_.stamp();
        const auto onlyItsDevice = stamp.onlyThisDevice();
        disk::ActionResult result;
        const QString copy =
            folder.isEmpty() || !stamp.holds()
                ? QString()
                : transfer::copyForPreview(disk::deviceDiskServices(), stamp.index(), entry, folder, result);
        if (copy.isEmpty()) {
            appImageView->clear();
            return;
        }
        file->btransfer = true;
        file->transferPath = copy;
    }
    // A picture shows itself and a PDF its first page (at most 512 points a side), a movie its
    // first frame once the media backend gives it; any other document its icon.
    const QString path = file->transferPath;
    showAppPicture(documentpicture::of(path, {512, 512}));
    if (documentpicture::isMovie(path))
        appMovieFrames_.grab(path, {512, 512}, [this, path](const QImage& frame) {
            const auto shown = std::dynamic_pointer_cast<PRAppFileTreeNode>(
                appFileController->objectAt(appTableView->selectionModel()->selectedRows().value(0).row()));
            if (!frame.isNull() && shown && shown->btransfer && shown->transferPath == path) showAppPicture(frame);
        });
}

void PRTansferViewController::showAppPicture(QImage picture) {
    if (picture.isNull()) picture = images::imageNamed(QStringLiteral("document"));
    const QSize room = appImageView->size().boundedTo({512, 512}) - QSize(16, 16);
    appImageView->setPixmap(QPixmap::fromImage(picture.scaled(room.expandedTo({32, 32}).boundedTo(picture.size()),
                                                              Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

void PRTansferViewController::AppSelectAll(QObject*) { appTableView->selectAll(); }
void PRTansferViewController::AppUnSelecteAll(QObject*) { appTableView->clearSelection(); }

// ---- Actions -----------------------------------------------------------------------------------

void PRTansferViewController::startAppJob(const DeviceStamp& stamp,
                                          std::function<disk::ActionResult(const std::atomic<bool>&)> job,
                                          QString failureText, std::function<void(const disk::ActionResult&)> done) {
    // The device may have gone, and another come, while a question or a panel was open.
    if (!stillOnItsDevice(stamp, alertWindow())) return;
    appWorkers_.start([this, stamp, job = std::move(job), failureText, done](const std::atomic<bool>& cancelled) {
        disk::ActionResult result;
        {
            const auto onlyItsDevice = stamp.onlyThisDevice();
            result = job(cancelled);
        }
        if (cancelled) return;
        performOnMainThread(
            this,
            [this, result, failureText, done, &stamp] {
                if (appWorkers_.cancelled()) return;
                ++appJobsFinished_;
                if (done && stamp.holds()) done(result);
                alertFailure(result, failureText);
            },
            true);
    });
}

void PRTansferViewController::appExportEnded(const disk::ActionResult& result, const QString& folder, bool openFolder) {
    if (result.files == 0) return;  // the alert says what failed
    tellActionDone(view(), counted(result.files, "file", "files") + tr(" exported"), folder, openFolder);
}

void PRTansferViewController::addFilesToApp(QObject*) {
    // Beside the chosen file, else into the folder shown.
    const std::vector<transfer::ContainerFile> files = selectedAppFiles();
    const PRAppDirTreeNodePtr folder = selectedAppFolder();
    std::string bundleId, beside;
    if (!files.empty()) {
        bundleId = files.front().bundleId, beside = files.front().path;
    } else if (folder && !containerPathOf(*folder).isEmpty()) {
        bundleId = folder->appBundleName.toStdString();
        beside = containerPathOf(*folder).toStdString();
        if (!beside.ends_with('/')) beside += '/';
    } else {
        tellWhatToSelect(alertWindow(), tr("Select the app folder to add the files to first."));
        return;
    }
    PanelRequest request;
    request.kind = PanelRequest::Kind::Open;
    request.chooseFiles = true;
    request.multipleSelection = true;
    request.window = alertWindow();
    const DeviceStamp stamp = tie_.stamp();
    const QStringList chosen = dialogs::runPanel(request);
    if (chosen.isEmpty()) return;
    addFilePath = chosen.front();
    const int device = stamp.index();
    // A name the folder already has is asked about first: nothing is replaced unasked.
    const auto adds = askForTakenNames(alertWindow(), chosen, [&](const QString& local) {
        const auto onlyItsDevice = stamp.onlyThisDevice();
        return transfer::containerNameTaken(disk::deviceDiskServices(), device, bundleId, local, beside);
    });
    if (adds.empty()) return;
    auto added = std::make_shared<std::vector<std::pair<std::string, uint64_t>>>();
    startAppJob(
        stamp,
        [device, bundleId, beside, adds, added](const std::atomic<bool>&) {
            disk::ActionResult result;
            for (const auto& [local, taken] : adds) {
                std::string path;
                const disk::ActionResult one = transfer::addFileToContainer(disk::deviceDiskServices(), device,
                                                                            bundleId, local, beside, taken, &path);
                if (one.ok()) added->emplace_back(path, one.bytes);
                result.add(one);
            }
            return result;
        },
        tr("Some files could not be added."),
        [this, folder, bundleId, added](const disk::ActionResult&) {
            if (!folder) return;
            for (const auto& [path, bytes] : *added) {
                // A replaced file keeps its row with its new size; a new one joins the list.
                const QString devicePath = QString::fromStdString(path);
                bool listed = false;
                for (const PRAppFileTreeNodePtr& file : folder->fileChildren())
                    if (file->filePath == devicePath) {
                        listed = true;
                        file->fileSize = QString::fromStdString(sizeText(bytes));
                        // Its preview copy is of the file replaced: the next preview reads the device.
                        file->btransfer = false;
                        file->transferPath.clear();
                    }
                if (listed) continue;
                auto node = PRAppDirTreeNode::create();
                node->filePath = devicePath;
                node->appBundleName = QString::fromStdString(bundleId);
                node->appDisplayName = folder->appDisplayName;
                node->fileType = QStringLiteral("FILE");
                node->fileSize = QString::fromStdString(sizeText(bytes));
                appTreeController->addTreeNode(node);
            }
            refreshAppFiles();
        });
}

void PRTansferViewController::refreshAppFiles() {
    std::vector<QString> chosen;
    for (const QModelIndex& index : appTableView->selectionModel()->selectedRows())
        if (auto file = std::dynamic_pointer_cast<PRAppFileTreeNode>(appFileController->objectAt(index.row())))
            chosen.push_back(file->filePath);
    outlineViewSelectionDidChange();
    for (int row = 0; row < appFileController->rowCount(); ++row)
        if (auto file = std::dynamic_pointer_cast<PRAppFileTreeNode>(appFileController->objectAt(row));
            file && std::find(chosen.begin(), chosen.end(), file->filePath) != chosen.end())
            appTableView->selectionModel()->select(appFileController->index(row, 0),
                                                   QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void PRTansferViewController::forgetAppFiles(const std::vector<std::string>& devicePaths) {
    const PRAppDirTreeNodePtr folder = selectedAppFolder();
    if (!folder || devicePaths.empty()) return;
    std::vector<PRAppFileTreeNodePtr> files = folder->fileChildren();
    std::erase_if(files, [&](const PRAppFileTreeNodePtr& file) {
        return std::find(devicePaths.begin(), devicePaths.end(), file->filePath.toStdString()) != devicePaths.end();
    });
    folder->setFileChildren(std::move(files));
    refreshAppFiles();
}

void PRTansferViewController::AppDeleted(QObject*) {
    const std::vector<transfer::ContainerFile> files = selectedAppFiles();
    if (files.empty()) return;
    AlertRequest alert;
    alert.messageText = tr("Are you sure you want to permanently delete the selected file(s) from your device?");
    alert.informativeText =
        tr("CAUTION: Only advanced users should delete files. Because device databases manage many "
           "files types, includes photos and videos, deleting files may lead to unexpected results.");
    alert.buttons = {tr("Deleted"), tr("Cancel")};
    alert.window = alertWindow();
    const DeviceStamp stamp = tie_.stamp();
    if (dialogs::runAlert(alert.destructive()) != NSAlertFirstButtonReturn) return;
    const int device = stamp.index();
    auto removed = std::make_shared<std::vector<std::string>>();
    startAppJob(
        stamp,
        [device, files, removed](const std::atomic<bool>&) {
            return transfer::removeContainerFiles(disk::deviceDiskServices(), device, files, removed.get());
        },
        tr("Some files could not be deleted."),
        [this, removed](const disk::ActionResult&) { forgetAppFiles(*removed); });
}

void PRTansferViewController::AppExportFilestoMac(QObject*) {
    if (selectedAppFiles().empty()) {
        tellWhatToSelect(alertWindow(), tr("Select the files to export in the list first."));
        return;
    }
    setExportRequest(&bAppSelectedExport);
    ExportOpenpanelAction();
}

void PRTansferViewController::ExportSelectedAppToMacThreadHandle() {
    const std::vector<transfer::ContainerFile> files = selectedAppFiles();
    if (files.empty()) return;
    const DeviceStamp stamp = tie_.stamp();
    const int device = stamp.index();
    const QString folder = exportPath;
    startAppJob(
        stamp,
        [device, files, folder](const std::atomic<bool>& cancelled) {
            return transfer::exportContainerFiles(disk::deviceDiskServices(), device, files, folder, false, &cancelled);
        },
        tr("Some files could not be exported."),
        [this, folder](const disk::ActionResult& result) { appExportEnded(result, folder, false); });
}

void PRTansferViewController::AppExportFilestoDocument(QObject*) {
    const std::vector<transfer::ContainerFile> files = selectedAppFiles();
    if (files.empty()) return;
    const DeviceStamp stamp = tie_.stamp();
    const int device = stamp.index();
    const QString folder = QString::fromStdString(paths::homeDirectory()) + QStringLiteral("/Documents");
    startAppJob(
        stamp,
        [device, files, folder](const std::atomic<bool>& cancelled) {
            return transfer::exportContainerFiles(disk::deviceDiskServices(), device, files, folder, true, &cancelled);
        },
        tr("Some files could not be exported."),
        [this, folder](const disk::ActionResult& result) { appExportEnded(result, folder, true); });
}

void PRTansferViewController::AppDirExporttoMac(QObject*) {
    if (!selectedAppFolder()) {
        tellWhatToSelect(alertWindow(), tr("Select the folder to export first."));
        return;
    }
    setExportRequest(&bAppDirExport);
    ExportOpenpanelAction();
}

void PRTansferViewController::ExportDirAppToMacThread() {
    const PRAppDirTreeNodePtr node = selectedAppFolder();
    if (!node) return;
    const QString path = containerPathOf(*node);
    if (path.isEmpty()) return;  // a folder of no known path exports nothing
    const transfer::ContainerFile dir{node->appBundleName.toStdString(), path.toStdString()};
    const DeviceStamp stamp = tie_.stamp();
    const int device = stamp.index();
    const QString folder = exportPath;
    startAppJob(
        stamp,
        [device, dir, folder](const std::atomic<bool>& cancelled) {
            return transfer::exportContainerFolder(disk::deviceDiskServices(), device, dir, folder, &cancelled);
        },
        tr("Some files could not be exported."),
        [this, folder](const disk::ActionResult& result) { appExportEnded(result, folder, false); });
}
