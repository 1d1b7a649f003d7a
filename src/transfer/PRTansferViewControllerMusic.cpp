// The music and video sub-views: both tables filled by one read of the device's media library,
// a player in each, exports of tracks into the Documents folder or a chosen folder, and the add
// to the computer's music library. A track is copied from the device the first time it is
// played or added; later operations use that copy.
#include "platform/Counted.h"
#include "platform/Dialogs.h"
#include "platform/Images.h"
#include "platform/NewFile.h"
#include "platform/NotificationCenter.h"
#include "platform/Paths.h"
#include "platform/Threads.h"
#include "platform/Workspace.h"
#include "transfer/MusicTrackTableModel.h"
#include "transfer/PRTansferViewController.h"
#include "transfer/TransferNotices.h"
#include "widgets/ActionResultLine.h"
#include "widgets/ColumnFit.h"
#include "widgets/DeviceRefusal.h"
#include "widgets/NothingSelected.h"
#include "widgets/TrackPlayer.h"

#include <QFileInfo>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <algorithm>

namespace {

QString documentsFolder() { return QString::fromStdString(paths::homeDirectory()) + QStringLiteral("/Documents"); }

}  // namespace

// ---- Views ----------------------------------------------------------------------------------

QWidget* PRTansferViewController::buildTrackPane(QWidget* pane, const QString& title, bool video) {
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(16, 12, 16, 8);
    auto* heading = new QLabel(title, pane);
    heading->setStyleSheet("font-size: 16px; font-weight: bold;");
    layout->addWidget(heading);

    auto* model = new MusicTrackTableModel(this);
    auto* table = new QTableView(pane);
    table->setObjectName(video ? "videoTableView" : "musicTableView");
    table->setModel(model);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSortingEnabled(true);
    table->sortByColumn(-1, Qt::AscendingOrder);
    table->verticalHeader()->hide();
    columnfit::fitColumns(table);
    // The menu and a double click act on the row they were on, whatever else is selected.
    int* clicked = video ? &videoClickedRow : &musicClickedRow;
    QMenu* menu = buildTrackMenu(table, video);
    table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(table, &QTableView::customContextMenuRequested, this,
            [this, table, menu, clicked](const QPoint& at) { openTableMenu(table, menu, clicked, at, false); });
    connect(table, &QTableView::pressed, this, [clicked](const QModelIndex& index) { *clicked = index.row(); });
    // Rows that move or go leave no clicked row behind.
    connect(model, &QAbstractItemModel::layoutChanged, this, [clicked] { *clicked = -1; });
    connect(model, &QAbstractItemModel::modelReset, this, [clicked] { *clicked = -1; });
    connect(table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this, table] { tableViewSelectionDidChange(table); });
    connect(table, &QTableView::doubleClicked, this, [this, video, clicked](const QModelIndex& index) {
        *clicked = index.row();
        video ? videoPlay() : musicPlay();
    });
    layout->addWidget(table, 1);

    // The player below the table: picture (or the video), title, state and controls.
    auto* player = new QWidget(pane);
    player->setObjectName(video ? "videoPlayView" : "musicPlayView");
    auto* row = new QHBoxLayout(player);
    row->setContentsMargins(0, 6, 0, 0);
    auto* status = new QLabel(player);
    status->setObjectName(video ? "videoStatuslab" : "musicStatuslab");
    // A failure says why in a whole sentence: it wraps rather than stopping at the edge.
    status->setWordWrap(true);
    auto* progress = new QProgressBar(player);
    progress->setRange(0, 0);
    progress->setFixedWidth(80);
    progress->setHidden(true);
    auto* trackPlayer = new TrackPlayer(video, status, player);
    if (video) {
        trackPlayer->videoWidget()->setMinimumSize(200, 120);
        row->addWidget(trackPlayer->videoWidget());
        auto* side = new QVBoxLayout;
        side->addWidget(status);
        side->addStretch(1);
        row->addLayout(side, 1);
        videoController = model;
        videoTableView = table;
        videoPlayView = player;
        videoProgress = progress;
        videoStatuslab = status;
        videoPlayer = trackPlayer;
    } else {
        musicImageView = new QLabel(player);
        musicImageView->setObjectName("musicImageView");
        musicImageView->setFixedSize(56, 56);
        musicImageView->setAlignment(Qt::AlignCenter);
        musicImageView->setStyleSheet("background: #e4e8ee; border-radius: 6px; font-size: 26px; color: #7a8799;");
        musicImageView->setText(QStringLiteral("\u266B"));
        row->addWidget(musicImageView);
        auto* text = new QVBoxLayout;
        musicTitlelab = new QLabel(player);
        musicTitlelab->setObjectName("musicTitlelab");
        musicTitlelab->setStyleSheet("font-weight: bold;");
        musicArtistlab = new QLabel(player);
        musicArtistlab->setObjectName("musicArtistlab");
        text->addWidget(musicTitlelab);
        text->addWidget(musicArtistlab);
        text->addWidget(status);
        row->addLayout(text, 1);
        musicController = model;
        musicTableView = table;
        musicPlayView = player;
        musicProgress = progress;
        musicStatuslab = status;
        musicPlayer = trackPlayer;
        // The track's own artwork once it is loaded.
        connect(trackPlayer, &TrackPlayer::stateChanged, this, [this] {
            if (musicPlayer->loaded()) showTrackArtwork();
        });
    }
    row->addWidget(progress);
    row->addWidget(trackPlayer->playButton());
    layout->addWidget(player);
    return player;
}

void PRTansferViewController::buildMusicViews() {
    buildTrackPane(musicView, tr("Music"), false);
    buildTrackPane(videoView, tr("Videos"), true);
}

QMenu* PRTansferViewController::buildTrackMenu(QTableView* table, bool video) {
    QMenu* menu = tableMenu(table, video ? "videoMenu" : "musicMenu");
    if (video) {
        addMenuAction(menu, tr("Play"), &PRTansferViewController::videoPlay);
        menu->addSeparator();
        addMenuAction(menu, tr("Select All"), &PRTansferViewController::videoSelecteAll, MenuNeeds::Rows);
        addMenuAction(menu, tr("Unselect All"), &PRTansferViewController::videoUnSelectAll, MenuNeeds::Selection);
        menu->addSeparator();
        addMenuAction(menu, tr("Export Selected to Documents"), &PRTansferViewController::videoExporttoDocument,
                      MenuNeeds::Selection);
        addMenuAction(menu, tr("Export All to a Folder..."), &PRTansferViewController::videoExporttoMac,
                      MenuNeeds::Rows);
        addMenuAction(menu, tr("Add to Music Library"), &PRTansferViewController::videoCopytoiTunes);
        addMenuAction(menu, tr("Add All to Music Library"), &PRTansferViewController::videoCopyAlltoiTunes,
                      MenuNeeds::Rows);
        videoMenu = menu;
    } else {
        addMenuAction(menu, tr("Play"), &PRTansferViewController::musicPlay);
        menu->addSeparator();
        addMenuAction(menu, tr("Select All"), &PRTansferViewController::musicSelectAll, MenuNeeds::Rows);
        addMenuAction(menu, tr("Unselect All"), &PRTansferViewController::musicUnSelecteAll, MenuNeeds::Selection);
        menu->addSeparator();
        addMenuAction(menu, tr("Export to Documents"), &PRTansferViewController::musicExporttoDocument);
        addMenuAction(menu, tr("Export All to a Folder..."), &PRTansferViewController::musicExporttoMac,
                      MenuNeeds::Rows);
        addMenuAction(menu, tr("Add to Music Library"), &PRTansferViewController::musicCopytoiTunes);
        addMenuAction(menu, tr("Add All to Music Library"), &PRTansferViewController::musicCopyAlltoiTunes,
                      MenuNeeds::Rows);
        addMenuAction(menu, tr("Add Selected to Music Library"),
                      &PRTansferViewController::ExportSelectedMusicToITuneslib, MenuNeeds::Selection);
        musicMenu = menu;
    }
    return menu;
}

// ---- Scan -------------------------------------------------------------------------------------

void PRTansferViewController::ShowMusic(int device) {
    view();
    tie_.tieTo(device);
    if (bMusiceStartTransfer || bMusicLoadFinished) return;
    tranferDevice = device;
    bMusiceStartTransfer = true;
    if (musicScanhasStartHandle) musicScanhasStartHandle();
    StartMusicThread();
}

void PRTansferViewController::StartMusicThread() {
    const DeviceStamp stamp = tie_.tieTo(tranferDevice);
    const std::function<bool()> connected = deviceConnected;
    musicScanWorkers_.start([this, stamp, connected](const std::atomic<bool>& cancelled) {
        const auto onlyItsDevice = stamp.onlyThisDevice();
        transfer::MusicScanResult result = transfer::scanMusicLibrary(disk::deviceDiskServices(), stamp.index(), [&] {
            return !cancelled && (!connected || connected()) && stamp.holds();
        });
        if (cancelled) return;
        const bool complete = result.serviceStarted && result.libraryRead && !result.stopped;
        performOnMainThread(
            this,
            [this, result = std::move(result), &stamp]() mutable {
                if (!musicScanWorkers_.cancelled() && stamp.holds()) UpMusiceDataSource(std::move(result));
            },
            true);
        performOnMainThread(
            this,
            [this, complete, &stamp] {
                if (!musicScanWorkers_.cancelled() && stamp.holds()) ScanMusicFinishHandle(complete);
            },
            true);
    });
}

void PRTansferViewController::UpMusiceDataSource(transfer::MusicScanResult result) {
    videoArray.insert(videoArray.end(), result.video.begin(), result.video.end());
    videoController->addObjects(result.video);
    musicArray.insert(musicArray.end(), result.music.begin(), result.music.end());
    musicController->addObjects(result.music);
    musicTableView->clearSelection();
}

void PRTansferViewController::ScanMusicFinishHandle(bool complete) {
    // A read cut short by the device's removal is read again at the next visit.
    bMusicLoadFinished = complete;
    bMusiceStartTransfer = false;
    notices::musicScanFinished.post(NSNotificationCenter::defaultCenter());
}

// ---- Playing ----------------------------------------------------------------------------------

PRTranMusicNodePtr PRTansferViewController::clickedTrack(bool video) const {
    const int row = video ? videoClickedRow : musicClickedRow;
    MusicTrackTableModel* model = video ? videoController : musicController;
    return row >= 0 && row < model->rowCount() ? model->objectAt(row) : nullptr;
}

std::vector<PRTranMusicNodePtr> PRTansferViewController::chosenTracks(bool video) const {
    // A click on a selected row acts on every selected row; on another row, on that row alone;
    // off the rows (where these entries are off), on nothing.
    const PRTranMusicNodePtr clicked = clickedTrack(video);
    if (!clicked) return {};
    std::vector<PRTranMusicNodePtr> tracks = selectedTracks(video);
    if (std::find(tracks.begin(), tracks.end(), clicked) == tracks.end()) tracks = {clicked};
    return tracks;
}

std::vector<PRTranMusicNodePtr> PRTansferViewController::selectedTracks(bool video) const {
    QTableView* table = video ? videoTableView : musicTableView;
    MusicTrackTableModel* model = video ? videoController : musicController;
    QModelIndexList rows = table->selectionModel()->selectedRows();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    std::vector<PRTranMusicNodePtr> tracks;
    for (const QModelIndex& index : rows)
        if (PRTranMusicNodePtr track = model->objectAt(index.row())) tracks.push_back(track);
    return tracks;
}

void PRTansferViewController::musicPlay(QObject*) { playTrack(false); }
void PRTansferViewController::videoPlay(QObject*) { playTrack(true); }

void PRTansferViewController::playTrack(bool video) {
    const PRTranMusicNodePtr track = clickedTrack(video);
    if (!track) return;
    QProgressBar* progress = video ? videoProgress : musicProgress;
    progress->setHidden(false);
    if (!video) {
        musicTitlelab->setText(QString::fromStdString(track->musicTitle()).trimmed());
        musicArtistlab->setText(QString::fromStdString(track->musicArtist()).trimmed());
    }
    TrackPlayer* player = video ? videoPlayer : musicPlayer;
    const QString copy = QString::fromStdString(track->bCopyLocationPath());
    if (track->bhasCopy()) {
        // The copy is loaded: play it; another track's copy is loaded and played.
        if (player->source() == copy && player->loaded())
            player->play();
        else
            player->load(copy, true);
        progress->setHidden(true);
        return;
    }
    startTrackCopy(track, video);
}

void PRTansferViewController::previewTrack(bool video) {
    QTableView* table = video ? videoTableView : musicTableView;
    MusicTrackTableModel* model = video ? videoController : musicController;
    const QModelIndexList rows = table->selectionModel()->selectedRows();
    if (rows.isEmpty() || model->rowCount() == 0) return;
    // The clicked row when it is selected, else the first selected one.
    const QModelIndex current = table->currentIndex();
    const int row =
        current.isValid() && table->selectionModel()->isRowSelected(current.row()) ? current.row() : rows.first().row();
    const PRTranMusicNodePtr track = model->objectAt(row);
    if (!track) return;
    QProgressBar* progress = video ? videoProgress : musicProgress;
    progress->setHidden(false);
    if (!video) {
        const QString title = QString::fromStdString(track->musicTitle()).trimmed();
        const QString artist = QString::fromStdString(track->musicArtist()).trimmed();
        if (!title.isEmpty()) musicTitlelab->setText(title);
        if (!artist.isEmpty()) musicArtistlab->setText(artist);
    }
    // A track never copied is copied first; the copy's end loads the player.
    if (!track->bhasCopy()) return startTrackCopy(track, video);
    if (!video) showTrackArtwork();
    TrackPlayer* player = video ? videoPlayer : musicPlayer;
    const QString copy = QString::fromStdString(track->bCopyLocationPath());
    if (player->source() != copy || !player->loaded()) player->load(copy, false);
    progress->setHidden(true);
}

void PRTansferViewController::showTrackArtwork() {
    QImage artwork = musicPlayer->artwork();
    if (artwork.isNull()) artwork = images::imageNamed(QStringLiteral("defaultMuisc"));
    musicImageView->setPixmap(
        QPixmap::fromImage(artwork).scaled(musicImageView->size(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
}

void PRTansferViewController::startTrackCopy(const PRTranMusicNodePtr& track, bool video) {
    if (std::find(copyingTracks_.begin(), copyingTracks_.end(), track) != copyingTracks_.end()) return;
    copyingTracks_.push_back(track);
    const PRTranMusicNode snapshot = *track;  // workers never touch the page's records
    const DeviceStamp stamp = tie_.stamp();
    trackWorkers_.start([this, track, snapshot, stamp, video](const std::atomic<bool>& cancelled) {
        if (cancelled) return;
        transfer::TrackCopy copy;
        if (stamp.holds()) {
            const auto onlyItsDevice = stamp.onlyThisDevice();
            copy = transfer::copyTrackToLocal(disk::deviceDiskServices(), stamp.index(), snapshot);
        }
        performOnMainThread(
            this,
            [this, track, copy, video, stamp] {
                if (trackWorkers_.cancelled() || !stamp.holds()) return;
                std::erase(copyingTracks_, track);
                MusichasCopyFinishedOnMainThread(track, copy, false);
                (video ? videoProgress : musicProgress)->setHidden(true);
            },
            true);
    });
}

void PRTansferViewController::MusichasCopyFinishedOnMainThread(const PRTranMusicNodePtr& track,
                                                               const transfer::TrackCopy& copy, bool start) {
    const bool video = track->musicType() == "Video";
    TrackPlayer* player = video ? videoPlayer : musicPlayer;
    if (!copy.ok) {
        player->cannotPlay(TrackPlayer::cannotPlayText() + QLatin1Char(' ') +
                           tr("It could not be copied from the device (%1).")
                               .arg(QString::fromStdString(copy.result.firstFailureReason)));
        return;
    }
    track->setBhasCopy(true);
    track->setBCopyLocationPath(copy.localPath.toStdString());
    (video ? videoController : musicController)->trackChanged(track.get());
    // The first play of a track loads it; playing it again starts it.
    player->load(copy.localPath, start);
}

// ---- Selection --------------------------------------------------------------------------------

void PRTansferViewController::musicSelectAll(QObject*) { musicTableView->selectAll(); }
void PRTansferViewController::musicUnSelecteAll(QObject*) { musicTableView->clearSelection(); }
void PRTansferViewController::videoSelecteAll(QObject*) { videoTableView->selectAll(); }
void PRTansferViewController::videoUnSelectAll(QObject*) { videoTableView->clearSelection(); }

// ---- Exports ------------------------------------------------------------------------------------

void PRTansferViewController::exportTracksToFolder(std::vector<PRTranMusicNodePtr> tracks, const QString& folder,
                                                   bool reveal) {
    if (tracks.empty()) return;
    std::vector<PRTranMusicNodePtr> snapshots;
    for (const PRTranMusicNodePtr& track : tracks) snapshots.push_back(std::make_shared<PRTranMusicNode>(*track));
    const DeviceStamp stamp = tie_.stamp();
    if (!stillOnItsDevice(stamp, alertWindow())) return;
    trackWorkers_.start([this, snapshots, folder, stamp, reveal](const std::atomic<bool>& cancelled) {
        const auto onlyItsDevice = stamp.onlyThisDevice();
        // A track whose bytes are there already, under its name or a numbered one, stays as it is.
        const files::SkipFilesAlreadyThere keepTheFirst;
        QStringList written;
        const disk::ActionResult result =
            transfer::exportTracks(disk::deviceDiskServices(), stamp.index(), snapshots, folder, &cancelled, &written);
        if (cancelled) return;
        performOnMainThread(
            this,
            [this, result, written, reveal, folder] {
                if (trackWorkers_.cancelled()) return;
                // Every export ends with its result line; only an export that asked opens the
                // folder as well.
                if (const QString line = exportedCount(result.files, result.alreadyThere, "track", "tracks");
                    !line.isEmpty())
                    tellActionDone(view(), line, written.isEmpty() ? folder : QFileInfo(written.first()).path(),
                                   reveal);
                ++musicJobsFinished_;
                alertFailure(result, counted(result.failures, "track", "tracks") + tr(" could not be exported."));
            },
            true);
    });
}

void PRTansferViewController::musicExporttoDocument(QObject*) {
    exportTracksToFolder(chosenTracks(false), documentsFolder(), true);
}

void PRTansferViewController::videoExporttoDocument(QObject*) {
    exportTracksToFolder(selectedTracks(true), documentsFolder(), false);
}

void PRTansferViewController::musicExporttoMac(QObject*) {
    setExportRequest(&bMusicAllExport);
    ExportOpenpanelAction();
}

void PRTansferViewController::videoExporttoMac(QObject*) {
    setExportRequest(&bVideoAllExport);
    ExportOpenpanelAction();
}

void PRTansferViewController::ExportAllMusicToMacThread() {
    exportTracksToFolder(musicController->content(), exportPath, false);
}
void PRTansferViewController::ExportAllVideoToMacThread() {
    exportTracksToFolder(videoController->content(), exportPath, false);
}

// ---- The music library ----------------------------------------------------------------------------

void PRTansferViewController::addTracksToLibrary(const std::vector<PRTranMusicNodePtr>& tracks, bool dropFallback) {
    if (tracks.empty()) return;
    const DeviceStamp stamp = tie_.stamp();
    if (!stillOnItsDevice(stamp, alertWindow())) return;
    // Without a copy only a track chosen with the fallback is copied first.
    std::vector<PRTranMusicNodePtr> taken;
    for (const PRTranMusicNodePtr& track : tracks)
        if (track->bhasCopy() || dropFallback) taken.push_back(track);
    if (taken.empty()) return;
    // The tracks of one action are added side by side and end in one alert naming what failed.
    struct Tally {
        size_t left = 0;
        size_t added = 0;
        disk::ActionResult result;
    };
    auto tally = std::make_shared<Tally>();
    tally->left = taken.size();
    for (const PRTranMusicNodePtr& track : taken) {
        const PRTranMusicNode snapshot = *track;
        trackWorkers_.start([this, track, snapshot, stamp, dropFallback, tally](const std::atomic<bool>& cancelled) {
            if (cancelled) return;
            transfer::TrackCopy copy;
            copy.ok = snapshot.bhasCopy();
            copy.localPath = QString::fromStdString(snapshot.bCopyLocationPath());
            if (!copy.ok) {
                {
                    const auto onlyItsDevice = stamp.onlyThisDevice();
                    copy = transfer::copyTrackToLocal(disk::deviceDiskServices(), stamp.index(), snapshot);
                }
                performOnMainThread(
                    this,
                    [this, track, copy] {
                        if (trackWorkers_.cancelled() || !copy.ok) return;
                        track->setBhasCopy(true);
                        track->setBCopyLocationPath(copy.localPath.toStdString());
                        (track->musicType() == "Video" ? videoController : musicController)->trackChanged(track.get());
                    },
                    true);
            }
            disk::ActionResult result = copy.result;
            bool inLibrary = false;
            if (copy.ok && !cancelled) {
                iTunesScriptHandler::KeptErrors scriptErrors;
                const transfer::LibraryAdd added = transfer::addCopyToLibrary(
                    _iTunesHander, copy.localPath, transfer::trackFileName(snapshot), dropFallback);
                if (added == transfer::LibraryAdd::Failed) {
                    const std::string why = scriptErrors.texts.isEmpty()
                                                ? std::string("it could not be put into the library's folder")
                                                : scriptErrors.texts.front().toStdString();
                    result.failed(copy.localPath.toStdString(), why);
                } else {
                    inLibrary = true;
                }
            }
            if (cancelled) return;
            performOnMainThread(
                this,
                [this, result, tally, inLibrary, stamp] {
                    if (trackWorkers_.cancelled()) return;
                    ++musicJobsFinished_;
                    tally->result.add(result);
                    if (inLibrary) ++tally->added;
                    if (--tally->left > 0) return;
                    alertFailure(tally->result, counted(tally->result.failures, "track", "tracks") +
                                                    tr(" could not be added to the music library."));
                    const size_t failed = tally->result.failures;
                    tellActionDone(view(),
                                   endedOnItsDevice(outcomeSummary(tally->added, failed,
                                                                   tr("added to the music library"), "track", "tracks"),
                                                    stamp),
                                   {});
                },
                true);
        });
    }
}

void PRTansferViewController::musicCopytoiTunes(QObject*) { addTracksToLibrary(chosenTracks(false), true); }
void PRTansferViewController::videoCopytoiTunes(QObject*) { addTracksToLibrary(chosenTracks(true), true); }
void PRTansferViewController::musicCopyAlltoiTunes(QObject*) { addTracksToLibrary(musicController->content(), true); }
void PRTansferViewController::videoCopyAlltoiTunes(QObject*) { addTracksToLibrary(videoController->content(), true); }

void PRTansferViewController::ExportSelectedMusicToITuneslib(QObject*) {
    const std::vector<PRTranMusicNodePtr> selected = selectedTracks(false);
    if (selected.empty()) {
        tellWhatToSelect(alertWindow(), tr("Select the tracks in the list first."));
        return;
    }
    addTracksToLibrary(selected, false);
}
