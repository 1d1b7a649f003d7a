#include "transfer/PRTansferViewController.h"

#include "appcore/AppShell.h"
#include "appcore/AppState.h"
#include "clean/PRAppFileController.h"
#include "clean/PRAppTreeController.h"
#include "platform/Dialogs.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/Threads.h"
#include "platform/Workspace.h"
#include "transfer/MusicTrackTableModel.h"
#include "transfer/PhotoBrowserModel.h"
#include "transfer/TransferNotices.h"
#include "widgets/ActionFailureAlert.h"
#include "widgets/NewExportFolder.h"
#include "widgets/TrackPlayer.h"

#include <QAbstractItemView>
#include <QGridLayout>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>
#include <QWidget>

PRTansferViewController::PRTansferViewController(QObject* parent) : PageController("TransfView", parent) {
    deviceConnected = [] {
        // Without an application delegate (a tool, a test of the page alone) nobody reports a removal.
        return AppState::deviceCountsAsConnected();
    };
    musicScanhasStartHandle = [] {
        if (AppShell* app = AppShell::current()) app->musicScanhasStartHandle();
    };
    AppScanhasStartHandle = [] {
        if (AppShell* app = AppShell::current()) app->AppScanhasStartHandle();
    };
    // The script's failures reach the user as an alert on the main thread, whichever thread
    // made the call.
    _iTunesHander.errorAlert = [this](const QString& text) {
        performOnMainThread(
            this,
            [this, text] {
                AlertRequest alert;
                alert.messageText = QString::fromLatin1(iTunesScriptHandler::kAlertTitle);
                alert.informativeText = text;
                alert.buttons = {QStringLiteral("ok")};
                alert.style = AlertRequest::Style::Critical;
                alert.window = alertWindow();
                dialogs::runAlert(alert);
            },
            true);
    };
}

void PRTansferViewController::alertFailure(const disk::ActionResult& result, const QString& text) {
    if (result.ok()) return;
    showActionFailure(
        this, [this] { return alertWindow(); }, text,
        tr("%1: %2").arg(QString::fromStdString(result.firstFailurePath),
                         QString::fromStdString(result.firstFailureReason)));
}

QWidget* PRTansferViewController::alertWindow() const {
    const AppShell* app = AppShell::current();
    return app ? app->window() : nullptr;
}

PRTansferViewController::~PRTansferViewController() {
    // Workers hand their results to the page: those hand-offs are dropped first.
    cancelMainThreadCalls(this);
    scanWorkers_.cancelAndWait();
    exportWorkers_.cancelAndWait();
    musicScanWorkers_.cancelAndWait();
    trackWorkers_.cancelAndWait();
    appWorkers_.cancelAndWait();
    recordWorkers_.cancelAndWait();
    recordExportWorkers_.cancelAndWait();
}

void PRTansferViewController::buildView(QWidget* page) {
    auto* grid = new QGridLayout(page);
    grid->setContentsMargins(0, 0, 0, 0);
    struct Entry {
        QWidget** outlet;
        const char* name;
    };
    const Entry entries[] = {{&tranMainView, "tranMainView"}, {&photoView, "photoView"}, {&musicView, "musicView"},
                             {&videoView, "videoView"},       {&appView, "appView"},     {&contactView, "contactView"},
                             {&messageView, "messageView"},   {&noteView, "noteView"}};
    for (const Entry& e : entries) {
        *e.outlet = new QWidget(page);
        (*e.outlet)->setObjectName(e.name);
        grid->addWidget(*e.outlet, 0, 0);
    }
    auto* landing = new QVBoxLayout(tranMainView);
    landing->setContentsMargins(32, 28, 32, 24);
    auto* title = new QLabel(tr("Transfer"), tranMainView);
    title->setStyleSheet("font-size: 18px; font-weight: bold;");
    auto* hint = new QLabel(tr("Choose Photos, Music, Videos, Apps, Contacts, Messages or Notes in the sidebar to see "
                               "what the device holds and copy it to this computer."),
                            tranMainView);
    hint->setWordWrap(true);
    landing->addWidget(title);
    landing->addWidget(hint);
    landing->addStretch(1);
    buildPhotoView();
    buildMusicViews();
    buildAppView();
    buildRecordViews();
    showPane(tranMainView);
}

void PRTansferViewController::showView(QWidget* host) {
    putInto(host);
    showPane(tranMainView);
}

void PRTansferViewController::showPane(QWidget* shown) {
    view();
    for (QWidget* pane : panes())
        if (pane != shown) pane->setHidden(true);
    shown->setHidden(false);
}

void PRTansferViewController::dropDeviceResults() {
    auto& center = NSNotificationCenter::defaultCenter();
    if (bImageStartTransfer) notices::photoScanFinished.post(center);
    if (bMusiceStartTransfer) notices::musicScanFinished.post(center);
    if (bappStartTransfer) notices::AppScanFinished.post(center);
    const std::pair<bool*, transfer::RecordKind> reads[] = {{&bContactStartTransfer, transfer::RecordKind::Contacts},
                                                            {&bMessageStartTransfer, transfer::RecordKind::Messages},
                                                            {&bNoteStartTrasfer, transfer::RecordKind::Notes}};
    for (const auto& [started, kind] : reads)
        if (*started && recordScanIndicator) recordScanIndicator(kind, false);
    bImageStartTransfer = bPhotoLoadFinished = false;
    bMusiceStartTransfer = bMusicLoadFinished = false;
    bappStartTransfer = bAppLoadFinished = false;
    bContactStartTransfer = bMessageStartTransfer = bNoteStartTrasfer = false;
    bBackup = false;  // the next device is backed up before its records are read
    imageArray.clear();
    musicArray.clear();
    videoArray.clear();
    copyingTracks_.clear();
    if (!photoModel_) return;  // nothing shown yet
    photoModel_->clear();
    updatePhotoCount();
    for (MusicTrackTableModel* model : {musicController, videoController}) model->clear();
    for (TrackPlayer* player : {musicPlayer, videoPlayer}) player->clear();
    for (QLabel* label : {musicTitlelab, musicArtistlab}) label->clear();
    appTreeController->removeAllContent();
    appFileController->setContent({});
    appImageView->clear();
    clearRecords();
    for (QLabel* status : {contactStatuslab, messageStatuslab, noteStatuslab}) status->clear();
}

// ---- Context menus ----------------------------------------------------------------------------

void PRTansferViewController::openTableMenu(QAbstractItemView* view, QMenu* menu, int* clicked, const QPoint& at,
                                            bool select) {
    const QModelIndex index = view->indexAt(at);
    *clicked = index.isValid() ? index.row() : -1;
    // The actions of a menu that works on the selection take the row it was opened on: a row
    // outside the selection becomes the selection.
    if (select && index.isValid() && !view->selectionModel()->isSelected(index))
        view->selectionModel()->select(index, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    menu->popup(view->viewport()->mapToGlobal(at));
}

void PRTansferViewController::menuNeedsUpdate(QMenu* menu) {
    QAbstractItemView* view = nullptr;
    int clicked = -1;
    if (menu == musicMenu) {
        view = musicTableView;
        clicked = musicClickedRow;
    } else if (menu == videoMenu) {
        view = videoTableView;
        clicked = videoClickedRow;
    } else if (menu == appDirMenu) {
        view = appOutlineView;
        clicked = appDirClickedRow;
    } else if (menu == appFileMenu) {
        view = appTableView;
        clicked = appFileClickedRow;
    } else {
        return;  // the photo and record menus keep their entries as they are
    }
    const bool rows = view->model() && view->model()->rowCount(view->rootIndex()) > 0;
    const bool selection = view->selectionModel() && view->selectionModel()->hasSelection();
    for (QAction* action : menu->actions()) {
        if (action->isSeparator()) continue;
        bool enabled = false;
        switch (MenuNeeds(action->data().toInt())) {
        case MenuNeeds::ClickedRow: enabled = clicked >= 0; break;
        case MenuNeeds::Selection: enabled = selection; break;
        case MenuNeeds::Rows: enabled = rows; break;
        }
        action->setEnabled(enabled);
        action->setChecked(false);
    }
}

QMenu* PRTansferViewController::tableMenu(QWidget* owner, const char* name) {
    auto* menu = new QMenu(owner);
    menu->setObjectName(name);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { menuNeedsUpdate(menu); });
    return menu;
}

void PRTansferViewController::addMenuAction(QMenu* menu, const QString& title,
                                            void (PRTansferViewController::*action)(QObject*), MenuNeeds needs) {
    QAction* entry = menu->addAction(title);
    entry->setData(int(needs));
    connect(entry, &QAction::triggered, this, [this, action] { (this->*action)(nullptr); });
}

void PRTansferViewController::setExportRequest(bool* flag) {
    for (bool* request : {&bPhotoSelectedExport, &bPhotoAllExport, &bMusicAllExport, &bAppSelectedExport,
                          &bAppDirExport, &bVideoAllExport})
        *request = request == flag;
}

QString PRTansferViewController::defaultExportName(const QDateTime& when) {
    return QStringLiteral("Quillomatrix %1 - %2")
        .arg(when.toString(QStringLiteral("yyyy-MM-dd")), when.toString(QStringLiteral("HH.mm.ss")));
}

void PRTansferViewController::ExportOpenpanelAction() {
    PanelRequest request;
    request.kind = PanelRequest::Kind::Save;
    request.suggestedName = defaultExportName(QDateTime::currentDateTime());
    request.canCreateDirectories = true;
    if (AppShell* app = AppShell::current()) request.window = app->window();
    const QString chosen = dialogs::runPanelForPath(request);
    savePanelDidEnd(chosen.isEmpty() ? 0 : 1, chosen);
}

void PRTansferViewController::savePanelDidEnd(int returnCode, const QString& path) {
    if (returnCode != 1) return;
    using Worker = void (PRTansferViewController::*)();
    const std::pair<bool*, Worker> requests[] = {
        {&bPhotoSelectedExport, &PRTansferViewController::ExportSelectedPhotoToMacThread},
        {&bPhotoAllExport, &PRTansferViewController::ExportAllPhotoToMacThread},
        {&bMusicAllExport, &PRTansferViewController::ExportAllMusicToMacThread},
        {&bAppSelectedExport, &PRTansferViewController::ExportSelectedAppToMacThreadHandle},
        {&bAppDirExport, &PRTansferViewController::ExportDirAppToMacThread},
        {&bVideoAllExport, &PRTansferViewController::ExportAllVideoToMacThread},
    };
    for (const auto& [flag, worker] : requests) {
        if (!*flag) continue;
        // The folder is shown at once, before the first file arrives: it is made first.
        exportPath = makeNewExportFolder(alertWindow(), path);
        if (exportPath.isEmpty()) {
            *flag = false;
            return;
        }
        if (worker) (this->*worker)();
        workspace::selectFile(QString(), exportPath);
        return;
    }
    if (!exportPath.isEmpty()) workspace::selectFile(QString(), exportPath);
}
