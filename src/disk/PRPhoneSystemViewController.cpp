#include "disk/PRPhoneSystemViewController.h"

#include "appcore/AppShell.h"
#include "appcore/AppState.h"
#include "clean/PRCleanViewController.h"
#include "disk/DiskNotices.h"
#include "disk/DiskPageParts.h"
#include "disk/PRSystemLibTreeController.h"
#include "disk/PRSystemlibFileController.h"
#include "disk/core/UserDataScan.h"
#include "model/PRRecordFields.h"
#include "platform/Dialogs.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/Workspace.h"
#include "widgets/ActionResultLine.h"
#include "widgets/ColumnFit.h"
#include "widgets/DeviceRefusal.h"
#include "widgets/ElidedText.h"
#include "widgets/NameTakenQuestion.h"
#include "widgets/NewExportFolder.h"
#include "widgets/NothingSelected.h"
#include "widgets/TrackPlayer.h"

#include <QApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QStackedWidget>
#include <QStringDecoder>
#include <QStyle>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>

namespace {

constexpr qint64 kTextPreviewBytes = 256 * 1024;

PRPhoneSystemDirNodePtr treeItem(const disk::UserDataItem& item) {
    auto node = PRPhoneSystemDirNode::create();
    node->filePath = QString::fromStdString(item.path);
    node->deviceBytes = deviceBytesOf(item.path);
    node->isFile = item.isFile;
    if (item.isFile) {
        node->fileSize = QString::fromStdString(item.sizeText);
        node->fileSizeNumber = item.size;
    }
    return node;
}

class TreeSink final : public disk::UserDataSink {
public:
    explicit TreeSink(std::function<void(std::vector<PRPhoneSystemDirNodePtr>)> take) : take_(std::move(take)) {}
    void deliver(std::vector<disk::UserDataItem> items, std::optional<float>) override {
        if (items.empty()) return;
        std::vector<PRPhoneSystemDirNodePtr> nodes;
        nodes.reserve(items.size());
        for (const disk::UserDataItem& item : items) nodes.push_back(treeItem(item));
        take_(std::move(nodes));
    }

private:
    std::function<void(std::vector<PRPhoneSystemDirNodePtr>)> take_;
};

// Text a person can read: UTF-8 without NUL characters (a binary file has them early).
bool readableText(const QByteArray& bytes, QString& text) {
    if (bytes.contains('\0')) return false;
    QStringDecoder decoder(QStringDecoder::Utf8);
    text = decoder.decode(bytes);
    return !decoder.hasError() || bytes.size() == kTextPreviewBytes;  // a cut inside a character is fine
}

}  // namespace

PRPhoneSystemViewController::PRPhoneSystemViewController(QObject* parent)
    : PRPhoneSystemViewController(disk::deviceDiskServices(), parent) {}

namespace {
QString previewFolder(int set) {
    return QString::fromStdString(paths::resolve("/tmp/DB")) + QStringLiteral("/browser-%1").arg(set);
}
}  // namespace

PRPhoneSystemViewController::PRPhoneSystemViewController(disk::DiskDeviceServices& services, QObject* parent)
    : PageController("SystemLibView", parent),
      services_(services),
      previewCopies_(std::make_shared<disk::PreviewCopies>(previewFolder(0))) {
    libTreeController = new PRSystemLibTreeController(this);
    libFileController = new PRSystemlibFileController(this);
}

PRPhoneSystemViewController::~PRPhoneSystemViewController() {
    stopping_ = true;  // the hand-offs still pending are dropped
    threads_.stopAndWait();
}

// ---- Page -------------------------------------------------------------------------------------

void PRPhoneSystemViewController::buildView(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    showTableView = new QWidget(page);
    showTableView->setObjectName("showTableView");
    layout->addWidget(showTableView);
    auto* box = new QVBoxLayout(showTableView);
    box->setContentsMargins(16, 12, 16, 12);
    box->setSpacing(8);

    auto* top = new QHBoxLayout;
    top->addWidget(PRCleanViewController::headerBand(showTableView, tr("System Library")), 1);
    auto button = [&](const QString& title, const char* name, void (PRPhoneSystemViewController::*action)(QObject*)) {
        auto* b = new QPushButton(title, showTableView);
        b->setObjectName(name);
        connect(b, &QPushButton::clicked, this, [this, action] { (this->*action)(nullptr); });
        top->addWidget(b);
        return b;
    };
    exportDocumentButton =
        button(tr("To Documents"), "exportDocumentButton", &PRPhoneSystemViewController::ExportTheFileToDocument);
    exportButton = button(tr("Export..."), "exportButton", &PRPhoneSystemViewController::ExportTheFileToMac);
    exportFolderButton =
        button(tr("Export Folder..."), "exportFolderButton", &PRPhoneSystemViewController::ExportDirFileToMac);
    addButton = button(tr("Add File..."), "addButton", &PRPhoneSystemViewController::addFilesToSystem);
    removeButton = button(tr("Delete"), "removeButton", &PRPhoneSystemViewController::RemoveTheFiles);
    box->addLayout(top);

    auto* busy = new QHBoxLayout;
    scanImageView = new QLabel(showTableView);
    scanImageView->setPixmap(QApplication::style()->standardIcon(QStyle::SP_BrowserReload).pixmap(16, 16));
    infolab = diskpages::textLabel(showTableView, 11);
    infolab->setText(tr("Reading the files on the device..."));
    progressor = new QProgressBar(showTableView);
    progressor->setRange(0, 0);
    progressor->setFixedWidth(160);
    progressor->setTextVisible(false);
    busy->addWidget(scanImageView);
    busy->addWidget(infolab);
    busy->addWidget(progressor);
    busy->addStretch(1);
    box->addLayout(busy);
    for (QWidget* w : std::initializer_list<QWidget*>{scanImageView, infolab, progressor}) w->hide();

    auto* split = new QSplitter(Qt::Horizontal, showTableView);
    theOutlineView = new QTreeView(split);
    theOutlineView->setObjectName("theOutlineView");
    theOutlineView->setModel(libTreeController);
    theOutlineView->setHeaderHidden(true);
    theOutlineView->setIconSize(QSize(16, 16));
    theOutlineView->setFont(QFont("Lucida Grande", 11));
    theOutlineView->setContextMenuPolicy(Qt::CustomContextMenu);
    theOutlineView->setIndentation(14);
    theOutlineView->setMinimumWidth(150);
    columnfit::showWholeNames(theOutlineView);
    theTableView = new QTableView(split);
    theTableView->setObjectName("theTableView");
    diskpages::setUpSortedTable(theTableView, libFileController);
    theTableView->setContextMenuPolicy(Qt::CustomContextMenu);

    auto* preview = new QWidget(split);
    auto* previewBox = new QVBoxLayout(preview);
    previewBox->setContentsMargins(6, 0, 0, 0);
    showPreview = new QStackedWidget(preview);
    showImageView = new QLabel(showPreview);
    showImageView->setAlignment(Qt::AlignCenter);
    showImageView->setMinimumSize(140, 140);
    showTextView = new QPlainTextEdit(showPreview);
    showTextView->setReadOnly(true);
    showTextView->setFont(QFont("Monospace", 9));
    showPreview->addWidget(showImageView);
    showPreview->addWidget(showTextView);
    // Sounds and movies load into a player: the picture (none for a sound), its state and Play.
    showMovView = new QWidget(showPreview);
    showMovView->setObjectName("showMovView");
    auto* movieBox = new QVBoxLayout(showMovView);
    movieBox->setContentsMargins(0, 0, 0, 0);
    auto* movieStatus = diskpages::textLabel(showMovView, 11);
    movieStatus->setWordWrap(true);
    moviePlayer = new TrackPlayer(/*video*/ true, movieStatus, showMovView);
    moviePlayer->videoWidget()->setMinimumSize(160, 120);
    movieBox->addWidget(moviePlayer->videoWidget(), 1);
    movieBox->addWidget(movieStatus);
    movieBox->addWidget(moviePlayer->playButton(), 0, Qt::AlignHCenter);
    showPreview->addWidget(showMovView);
    previewNamelab = diskpages::textLabel(preview, 11);
    previewNamelab->setAlignment(Qt::AlignCenter);
    previewNamelab->setWordWrap(true);
    previewBox->addWidget(showPreview, 1);
    previewBox->addWidget(previewNamelab);
    // The file table takes most of the room: its names and paths are the longest texts.
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 6);
    split->setStretchFactor(2, 2);
    split->setSizes({190, 420, 160});
    // In a small window the preview keeps room of its own.
    preview->setMinimumWidth(150);
    for (int i = 0; i < 3; ++i) split->setCollapsible(i, false);
    box->addWidget(split, 1);

    outlineViewMenu = new QMenu(page);
    outlineViewMenu->addAction(tr("Export Folder..."), this, [this] { ExportDirFileToMac(); });
    rightDownMenu = new QMenu(page);
    rightDownMenu->addAction(tr("Open"), this, [this] { openPreviewedFile(); });
    rightDownMenu->addSeparator();
    rightDownMenu->addAction(tr("Export to Documents"), this, [this] { ExportTheFileToDocument(); });
    rightDownMenu->addAction(tr("Export..."), this, [this] { ExportTheFileToMac(); });
    rightDownMenu->addAction(tr("Add File..."), this, [this] { addFilesToSystem(); });
    rightDownMenu->addAction(tr("Delete"), this, [this] { RemoveTheFiles(); });
    rightDownMenu->addSeparator();
    rightDownMenu->addAction(tr("Select All"), this, [this] { SelecteAllFile(); });
    rightDownMenu->addAction(tr("Unselect All"), this, [this] { UnSelecteAllFile(); });

    connect(theOutlineView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { outlineViewSelectionDidChange(); });
    connect(theTableView->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { tableViewSelectionDidChange(); });
    connect(theTableView, &QTableView::doubleClicked, this, [this] { openPreviewedFile(); });
    connect(theTableView, &QTableView::activated, this, [this] { openPreviewedFile(); });
    connect(theOutlineView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        menuNeedsUpdate(outlineViewMenu, theOutlineView->indexAt(at).isValid());
        outlineViewMenu->popup(theOutlineView->viewport()->mapToGlobal(at));
    });
    connect(theTableView, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        menuNeedsUpdate(rightDownMenu, theTableView->indexAt(at).isValid());
        rightDownMenu->popup(theTableView->viewport()->mapToGlobal(at));
    });
    libTreeController->setRefreshOutlineHandler([this] {
        if (theOutlineView && !theOutlineView->isExpanded(libTreeController->index(0, 0)))
            theOutlineView->expand(libTreeController->index(0, 0));
    });
    clearPreview();
}

QWidget* PRPhoneSystemViewController::window() const { return showTableView ? showTableView->window() : nullptr; }

void PRPhoneSystemViewController::showPhoneSystemView(QWidget* host) {
    putInto(host);
    showTableView->show();
    showPreview->setCurrentWidget(showImageView);
}

void PRPhoneSystemViewController::menuNeedsUpdate(QMenu* menu, bool hitRow) {
    for (QAction* action : menu->actions()) {
        action->setChecked(false);
        if (!action->isSeparator()) action->setEnabled(hitRow);
    }
    if (menu != rightDownMenu) return;
    // "Open" needs a file on show; the others act on the folder on show, whichever row (or none)
    // the click was on: adding needs a folder to add to, Select All rows to select.
    const bool folderShown = selectedFolder() != nullptr;
    const bool anyRow = libFileController->rowCount() > 0;
    const bool anySelected = theTableView->selectionModel()->hasSelection();
    for (QAction* action : menu->actions()) {
        const QString title = action->text();
        if (title == tr("Open"))
            action->setEnabled(hitRow && !previewedPath_.isEmpty());
        else if (title == tr("Add File..."))
            action->setEnabled(folderShown);
        else if (title == tr("Select All"))
            action->setEnabled(anyRow);
        else if (!action->isSeparator())
            action->setEnabled(anySelected || hitRow);
    }
}

// ---- Workers ----------------------------------------------------------------------------------

void PRPhoneSystemViewController::startWorker(std::function<void(const std::atomic<bool>& stop)> job) {
    threads_.start(std::move(job));
}

void PRPhoneSystemViewController::handOff(const MainThreadReceiver& receiver, std::function<void()> fn) {
    performOnMainThread(
        receiver,
        [this, fn = std::move(fn)] {
            if (!stopping_) fn();
        },
        true);
}

void PRPhoneSystemViewController::handOff(const MainThreadReceiver& receiver, const DeviceStamp& stamp,
                                          std::function<void()> fn) {
    handOff(receiver, [stamp, fn = std::move(fn)] {
        if (stamp.holds()) fn();
    });
}

bool PRPhoneSystemViewController::connectedNow() const {
    if (deviceConnected) return deviceConnected();
    return AppState::deviceCountsAsConnected();
}

// ---- The walk ---------------------------------------------------------------------------------

void PRPhoneSystemViewController::dropDeviceResults() {
    bScanStart = bLoadFinished = false;
    libFileController->setContent({});
    libTreeController->removeAllContent();
    // The old device's copies go with it; a worker still copying holds its own set.
    QDir(previewFolder(previewSets_)).removeRecursively();
    previewCopies_ = std::make_shared<disk::PreviewCopies>(previewFolder(++previewSets_));
    if (!showPreview) return;
    clearPreview();
    for (QWidget* w : std::initializer_list<QWidget*>{progressor, scanImageView, infolab}) w->hide();
}

void PRPhoneSystemViewController::LookupSystemTree(int device) {
    const DeviceStamp stamp = tie_.tieTo(device);
    if (bScanStart || bLoadFinished) return;
    view();
    theDevice = device;
    bScanStart = true;
    for (QWidget* w : std::initializer_list<QWidget*>{progressor, scanImageView, infolab}) w->show();
    if (AppShell* app = AppShell::current()) app->SystemlibhasStartHandle();
    // A walk cut short before left part of a tree: this one starts from nothing.
    libFileController->setContent({});
    libTreeController->removeAllContent();
    clearPreview();

    const MainThreadReceiver receiver(this);
    startWorker([this, receiver, stamp](const std::atomic<bool>& stop) {
        const auto onlyItsDevice = stamp.onlyThisDevice();
        TreeSink sink([this, receiver, stamp](std::vector<PRPhoneSystemDirNodePtr> nodes) {
            handOff(receiver, stamp, [this, nodes = std::move(nodes)] {
                for (const PRPhoneSystemDirNodePtr& node : nodes) libTreeController->addTreeNode(node);
                // The folder on show may have received entries.
                PRPhoneSystemDirNodePtr shown = selectedFolder();
                if (shown && shown->fileChildren().size() != libFileController->content().size())
                    outlineViewSelectionDidChange();
            });
        });
        disk::UserDataScan::Options options;
        options.deviceIndex = stamp.index();
        options.deviceConnected = [this, stamp] { return connectedNow() && stamp.holds(); };
        options.stop = &stop;
        disk::UserDataScan walk(services_, options, sink);
        const disk::UserDataScan::Outcome outcome = walk.startScanUserData();
        if (outcome == disk::UserDataScan::Outcome::Finished)
            handOff(receiver, stamp, [this] { LookupSystemTreeFinishedOnMainThreadHanld(); });
        else if (outcome != disk::UserDataScan::Outcome::Stopped)
            handOff(receiver, stamp, [this] { walkEndedUnfinished(); });
    });
}

void PRPhoneSystemViewController::LookupSystemTreeFinishedOnMainThreadHanld() {
    bScanStart = false;
    bLoadFinished = true;
    for (QWidget* w : std::initializer_list<QWidget*>{progressor, scanImageView, infolab}) w->hide();
    if (libTreeController->rowCount() > 0 && !theOutlineView->currentIndex().isValid())
        theOutlineView->setCurrentIndex(libTreeController->index(0, 0));
    notices::SystemlibhasFinished.post(NSNotificationCenter::defaultCenter());
}

void PRPhoneSystemViewController::walkEndedUnfinished() {
    // The service did not start or the device left: the busy widgets stop and the next visit
    // walks again.
    bScanStart = false;
    for (QWidget* w : std::initializer_list<QWidget*>{progressor, scanImageView, infolab}) w->hide();
    notices::SystemlibhasFinished.post(NSNotificationCenter::defaultCenter());
}

// ---- Selection and preview --------------------------------------------------------------------

PRPhoneSystemDirNodePtr PRPhoneSystemViewController::selectedFolder() const {
    return theOutlineView ? libTreeController->nodeForIndex(theOutlineView->currentIndex()) : nullptr;
}

void PRPhoneSystemViewController::outlineViewSelectionDidChange() {
    if (libTreeController->BRefreshTreeFlag || !theOutlineView) return;
    PRPhoneSystemDirNodePtr folder = selectedFolder();
    if (!folder) return;
    libFileController->setContent(folder->fileChildren());
    theTableView->clearSelection();
}

std::vector<PRPhoneSystemFileNodePtr> PRPhoneSystemViewController::selectedEntries() const {
    std::vector<PRPhoneSystemFileNodePtr> entries;
    if (!theTableView) return entries;
    for (int row : diskpages::selectedSourceRows(theTableView))
        if (PRPhoneSystemFileNodePtr entry = libFileController->objectAt(row)) entries.push_back(entry);
    return entries;
}

std::vector<disk::BrowserFile> PRPhoneSystemViewController::filesOf(
    const std::vector<PRPhoneSystemFileNodePtr>& entries) const {
    std::vector<disk::BrowserFile> files;
    for (const PRPhoneSystemFileNodePtr& entry : entries) {
        const std::string path = devicePathOf(*entry);
        files.push_back({path, entry->fileSizeNumber, entry->btransfer ? previewCopies_->madeCopy(path) : QString()});
    }
    return files;
}

void PRPhoneSystemViewController::clearPreview() {
    previewKind_.clear();
    previewedPath_.clear();
    previewed_.reset();
    moviePlayer->clear();
    showImageView->clear();
    showTextView->clear();
    previewNamelab->clear();
    showPreview->setCurrentWidget(showImageView);
}

void PRPhoneSystemViewController::tableViewSelectionDidChange() {
    const PRPhoneSystemFileNodePtr entry = libFileController->objectAt(diskpages::currentSourceRow(theTableView));
    clearPreview();
    if (!entry) return;
    previewed_ = entry;
    previewNamelab->setText(entry->fileName);
    if (entry->fileType != QLatin1String("File")) {
        previewKind_ = QStringLiteral("folder");
        showImageView->setPixmap(QApplication::style()->standardIcon(QStyle::SP_DirIcon).pixmap(96, 96));
        return;
    }
    const disk::BrowserFile file{devicePathOf(*entry), entry->fileSizeNumber, {}};
    if (QString made = previewCopies_->madeCopy(file.devicePath, entry->fileSizeNumber); !made.isEmpty())
        return showLocalCopy(entry, made);
    previewNamelab->setText(entry->fileName + QLatin1Char('\n') + tr("Copying from the device..."));
    const MainThreadReceiver receiver(this);
    const DeviceStamp stamp = tie_.stamp();
    startWorker([this, receiver, stamp, copies = previewCopies_, file, entry](const std::atomic<bool>&) {
        const auto onlyItsDevice = stamp.onlyThisDevice();
        disk::ActionResult result;
        const QString local = copies->localCopy(services_, stamp.index(), file, result);
        handOff(receiver, stamp, [this, entry, local, result] {
            entry->btransfer = !local.isEmpty();
            entry->transferPath = local;
            if (previewed_ != entry) return;  // another file was chosen meanwhile
            if (local.isEmpty()) {
                previewNamelab->setText(
                    entry->fileName + QLatin1Char('\n') +
                    tr("It could not be copied: %1").arg(QString::fromStdString(result.firstFailureReason)));
                return;
            }
            showLocalCopy(entry, local);
        });
    });
}

void PRPhoneSystemViewController::showLocalCopy(const PRPhoneSystemFileNodePtr& entry, const QString& localPath) {
    entry->btransfer = true;
    entry->transferPath = localPath;
    previewedPath_ = localPath;
    previewNamelab->setText(entry->fileName + QLatin1Char('\n') + entry->fileSize);
    // Sounds and movies of these types load into the player, not started.
    static const QStringList movieTypes = {QStringLiteral("mp3"), QStringLiteral("mp4"), QStringLiteral("mov")};
    if (movieTypes.contains(QFileInfo(entry->fileName).suffix().toLower())) {
        previewKind_ = QStringLiteral("movie");
        moviePlayer->load(localPath, false);
        showPreview->setCurrentWidget(showMovView);
        return;
    }
    QImageReader reader(localPath);
    reader.setAutoTransform(true);
    if (reader.canRead()) {
        const QImage image = reader.read();
        if (!image.isNull()) {
            previewKind_ = QStringLiteral("image");
            const QSize room = showPreview->size().boundedTo(QSize(512, 512)).expandedTo(QSize(160, 160));
            showImageView->setPixmap(
                QPixmap::fromImage(image.scaled(room, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
            showPreview->setCurrentWidget(showImageView);
            return;
        }
    }
    QFile file(localPath);
    QString text;
    if (file.open(QIODevice::ReadOnly) && readableText(file.read(kTextPreviewBytes), text)) {
        previewKind_ = QStringLiteral("text");
        showTextView->setPlainText(text);
        showPreview->setCurrentWidget(showTextView);
        return;
    }
    previewKind_ = QStringLiteral("document");
    showImageView->setPixmap(QApplication::style()->standardIcon(QStyle::SP_FileIcon).pixmap(96, 96));
    previewNamelab->setText(entry->fileName + QLatin1Char('\n') + tr("Double-click to open it."));
}

void PRPhoneSystemViewController::openPreviewedFile() {
    if (!previewedPath_.isEmpty()) workspace::openFile(previewedPath_);
}

void PRPhoneSystemViewController::SelecteAllFile(QObject*) {
    if (theTableView) theTableView->selectAll();
}

void PRPhoneSystemViewController::UnSelecteAllFile(QObject*) {
    if (theTableView) theTableView->clearSelection();
}

// ---- Exports ----------------------------------------------------------------------------------

void PRPhoneSystemViewController::exportSelectedFiles(const QString& target) {
    const std::vector<disk::BrowserFile> files = filesOf(selectedEntries());
    if (files.empty()) {
        tellWhatToSelect(window(), tr("Select the files to export in the list first."));
        return;
    }
    const DeviceStamp stamp = tie_.stamp();
    if (!stillOnItsDevice(stamp, window())) return;
    const MainThreadReceiver receiver(this);
    startWorker([this, receiver, stamp, files, target](const std::atomic<bool>& stop) {
        const auto onlyItsDevice = stamp.onlyThisDevice();
        disk::FileBrowserActions actions(services_, stamp.index());
        const disk::ActionResult result = actions.exportFiles(files, target, &stop);
        handOff(receiver, [this, result, target, stamp] { diskpages::exportEnded(window(), result, target, &stamp); });
    });
}

void PRPhoneSystemViewController::ExportTheFileToDocument(QObject*) {
    exportSelectedFiles(QString::fromStdString(paths::userPath("Documents")));
}

void PRPhoneSystemViewController::ExportTheFileToMac(QObject*) {
    if (selectedEntries().empty()) {
        tellWhatToSelect(window(), tr("Select the files to export in the list first."));
        return;
    }
    bExportFileNode = true;
    bExportDirFile = false;
    exportTheSelectedToMac();
}

void PRPhoneSystemViewController::ExportDirFileToMac(QObject*) {
    if (exportedFolderEntries().empty()) {
        tellWhatToSelect(window(), tr("Select a folder to export first."));
        return;
    }
    bExportDirFile = true;
    bExportFileNode = false;
    exportTheSelectedToMac();
}

void PRPhoneSystemViewController::exportTheSelectedToMac() {
    PanelRequest panel;
    panel.kind = PanelRequest::Kind::Save;
    panel.suggestedName = PRCleanViewController::proposedExportName(QDateTime::currentDateTime());
    panel.window = window();
    const QString chosen = dialogs::runPanelForPath(panel);
    savePanelDidEnd(chosen.isEmpty() ? 0 : 1, chosen);
}

void PRPhoneSystemViewController::savePanelDidEnd(int returnCode, const QString& path) {
    if (returnCode != 1 || path.isEmpty() || (!bExportFileNode && !bExportDirFile)) return;
    // A new folder of the chosen name, never one an earlier export wrote into.
    const QString folder = makeNewExportFolder(window(), path);
    const bool files = bExportFileNode;
    bExportFileNode = bExportDirFile = false;
    if (folder.isEmpty()) return;
    exportPath = folder;
    if (files)
        exportSelectedFiles(exportPath);
    else
        exportSelectedFolder(exportPath);
}

std::vector<std::string> PRPhoneSystemViewController::exportedFolderEntries() const {
    // The rows selected in the list (a folder row with everything below it), else everything
    // in the folder the tree shows.
    std::vector<std::string> entries;
    for (const PRPhoneSystemFileNodePtr& entry : selectedEntries()) entries.push_back(devicePathOf(*entry));
    if (!entries.empty()) return entries;
    if (PRPhoneSystemDirNodePtr folder = selectedFolder())
        for (const PRPhoneSystemFileNodePtr& entry : folder->fileChildren()) entries.push_back(devicePathOf(*entry));
    return entries;
}

void PRPhoneSystemViewController::exportSelectedFolder(const QString& target) {
    const std::vector<std::string> entries = exportedFolderEntries();
    if (entries.empty()) return;
    const DeviceStamp stamp = tie_.stamp();
    if (!stillOnItsDevice(stamp, window())) return;
    const MainThreadReceiver receiver(this);
    startWorker([this, receiver, stamp, entries, target](const std::atomic<bool>& stop) {
        const auto onlyItsDevice = stamp.onlyThisDevice();
        disk::FileBrowserActions actions(services_, stamp.index());
        const disk::ActionResult result = actions.exportEntries(entries, target, &stop);
        handOff(receiver, [this, result, target, stamp] { diskpages::exportEnded(window(), result, target, &stamp); });
    });
}

// ---- Removal and addition ---------------------------------------------------------------------

void PRPhoneSystemViewController::RemoveTheFiles(QObject*) {
    if (selectedEntries().empty()) {
        tellWhatToSelect(window(), tr("Select the files to delete in the list first."));
        return;
    }
    const DeviceStamp stamp = tie_.stamp();
    const bool remove = diskpages::confirmRemoval(
        window(), tr("Are you sure you want to permanently delete the selected file(s) from your device?"),
        tr("CAUTION: Only advanced users should delete files. Because device databases manage many files types, "
           "includes photos and videos, deleting files may lead to unexpected results."));
    if (!remove) return;
    // The device may have gone, and another come, while the question was open.
    if (!stillOnItsDevice(stamp, window())) return;
    const std::vector<PRPhoneSystemFileNodePtr> entries = selectedEntries();
    if (entries.empty()) return;
    std::vector<std::string> paths;
    for (const auto& entry : entries) paths.push_back(devicePathOf(*entry));
    const MainThreadReceiver receiver(this);
    startWorker([this, receiver, stamp, entries, paths](const std::atomic<bool>&) {
        std::vector<bool> removed;
        disk::ActionResult result;
        {
            const auto onlyItsDevice = stamp.onlyThisDevice();
            result = disk::FileBrowserActions(services_, stamp.index()).removeFiles(paths, removed);
        }
        handOff(receiver, [this, stamp, entries, removed, result] {
            if (stamp.holds()) removedFromDevice(entries, removed);
            diskpages::removalEnded(window(), result);
        });
    });
}

void PRPhoneSystemViewController::removedFromDevice(const std::vector<PRPhoneSystemFileNodePtr>& entries,
                                                    const std::vector<bool>& removed) {
    bool any = false;
    for (size_t i = 0; i < entries.size(); ++i) {
        if (!removed[i]) continue;  // a refused removal keeps its row
        any = true;
        if (PRPhoneSystemDirNodePtr folder = entries[i]->parent.lock()) {
            std::vector<PRPhoneSystemFileNodePtr> files = folder->fileChildren();
            std::erase(files, entries[i]);
            folder->setFileChildren(std::move(files));
        }
        previewCopies_->forget(devicePathOf(*entries[i]));
        if (previewed_ == entries[i]) clearPreview();
    }
    if (any) outlineViewSelectionDidChange();
}

void PRPhoneSystemViewController::addFilesToSystem(QObject*) {
    PanelRequest panel;
    panel.kind = PanelRequest::Kind::Open;
    panel.chooseFiles = true;
    panel.multipleSelection = true;
    panel.window = window();
    const QStringList chosen = dialogs::runPanel(panel);
    openPanelDidEnd(chosen.isEmpty() ? 0 : 1, chosen);
}

std::string PRPhoneSystemViewController::devicePathOfFolder(const PRPhoneSystemDirNodePtr& folder) {
    // The tree's names have lost a leading dot; the entries keep the device's own paths.
    for (const PRPhoneSystemFileNodePtr& entry : folder->fileChildren()) {
        const std::string path = devicePathOf(*entry);
        const size_t slash = path.rfind('/');
        return slash == 0 || slash == std::string::npos ? std::string("/") : path.substr(0, slash);
    }
    if (PRPhoneSystemDirNodePtr parent = folder->parent.lock())
        for (const PRPhoneSystemFileNodePtr& entry : parent->fileChildren())
            if (entry->fileType == QLatin1String("Folder") && entry->fileName == folder->fileDirName)
                return devicePathOf(*entry);
    return {};
}

void PRPhoneSystemViewController::openPanelDidEnd(int returnCode, const QStringList& paths) {
    if (returnCode != 1 || paths.isEmpty()) return;
    addFilePath = paths.front();
    // Into the folder of the selected file, else into the folder the tree shows.
    std::string folder;
    if (const PRPhoneSystemFileNodePtr selected =
            libFileController->objectAt(diskpages::currentSourceRow(theTableView))) {
        const std::string path = devicePathOf(*selected);
        folder = path.rfind('/') == 0 ? std::string("/") : path.substr(0, path.rfind('/'));
    } else if (const PRPhoneSystemDirNodePtr shown = selectedFolder())
        folder = devicePathOfFolder(shown);
    if (folder.empty()) {
        tellWhatToSelect(window(), tr("Select the folder to add the files to first."));
        return;
    }
    const DeviceStamp stamp = tie_.stamp();
    if (!stillOnItsDevice(stamp, window())) return;
    // A name the folder already has is asked about before anything is copied: nothing on the
    // device is replaced unasked.
    const auto adds = askForTakenNames(window(), paths, [&](const QString& local) {
        const auto onlyItsDevice = stamp.onlyThisDevice();
        return disk::FileBrowserActions(services_, stamp.index()).nameTaken(folder, local);
    });
    if (adds.empty()) return;
    const MainThreadReceiver receiver(this);
    startWorker([this, receiver, stamp, adds, folder](const std::atomic<bool>&) {
        std::vector<std::pair<std::string, uint64_t>> added;  // device path and bytes of each file added
        disk::ActionResult result;
        {
            const auto onlyItsDevice = stamp.onlyThisDevice();
            disk::FileBrowserActions actions(services_, stamp.index());
            for (const auto& [local, taken] : adds) {
                std::string path;
                const disk::ActionResult one = actions.addFile(local, folder, path, taken);
                if (one.ok()) added.emplace_back(path, one.bytes);
                result.add(one);
            }
        }
        handOff(receiver, [this, stamp, result, added] {
            if (stamp.holds()) listAdded(added);
            diskpages::alertFailures(window(), tr("Some files could not be added."), result);
            tellActionDone(window(),
                           endedOnItsDevice(outcomeSummary(result.files, result.failures, tr("added")), stamp), {});
        });
    });
}

void PRPhoneSystemViewController::listAdded(const std::vector<std::pair<std::string, uint64_t>>& added) {
    for (const auto& [devicePath, bytes] : added) {
        const QString path = QString::fromStdString(devicePath);
        // The copy kept of what was at this path is not the new file: the next preview or
        // export reads the device.
        previewCopies_->forget(devicePath);
        // A replaced file keeps its row with its new size; a new one joins its folder's list.
        bool listed = false;
        for (const auto& entry : libFileController->content())
            if (entry->filePath == path) {
                listed = true;
                entry->fileSizeNumber = bytes;
                entry->fileSize = QString::fromStdString(sizeText(bytes));
                entry->btransfer = false;
                entry->transferPath.clear();
                if (previewed_ == entry) clearPreview();
            }
        if (listed) continue;
        auto item = PRPhoneSystemDirNode::create();
        item->filePath = path;
        item->deviceBytes = deviceBytesOf(devicePath);
        item->isFile = true;
        item->fileSize = QString::fromStdString(sizeText(bytes));
        item->fileSizeNumber = bytes;
        libTreeController->addTreeNode(item);
    }
    outlineViewSelectionDidChange();
}
