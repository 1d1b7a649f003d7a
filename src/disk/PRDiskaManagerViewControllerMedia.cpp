// The disk manager's media categories: the photo, music and video, and book scans (run on scan
// threads through the scans of disk/core, every record handed to the main thread), the detail
// pane beside each media table and the photo preview, which copies the selected photo from the
// device once and shows the local copy.
#include "disk/DiskAppListController.h"
#include "disk/DiskBookListController.h"
#include "disk/DiskMusicListController.h"
#include "disk/DiskPhotoListController.h"
#include "disk/PRDiskaManagerViewController.h"
#include "disk/core/BookScan.h"
#include "disk/core/LocalCopies.h"
#include "disk/core/MusicScan.h"
#include "disk/core/PhotoScan.h"
#include "platform/Images.h"

#include <QImageReader>
#include <QItemSelectionModel>
#include <QLabel>
#include <QPixmap>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <filesystem>
#include <vector>

using disk::DiskScanGroup;

namespace {

class PagePhotoSink final : public disk::PhotoScanSink {
public:
    PagePhotoSink(std::function<void(PRPhotoAndVideoNodePtr, float)> take, std::function<void(float)> progress)
        : take_(std::move(take)), progress_(std::move(progress)) {}
    void deliver(const PRPhotoAndVideoNodePtr& record, float progress) override { take_(record, progress); }
    void progress(float value) override { progress_(value); }

private:
    std::function<void(PRPhotoAndVideoNodePtr, float)> take_;
    std::function<void(float)> progress_;
};

class PageMusicSink final : public disk::MusicScanSink {
public:
    PageMusicSink(std::function<void(PRTranMusicNodePtr, bool)> take, std::function<void(float)> progress)
        : take_(std::move(take)), progress_(std::move(progress)) {}
    void deliver(const PRTranMusicNodePtr& record, bool video) override { take_(record, video); }
    void progress(float value) override { progress_(value); }

private:
    std::function<void(PRTranMusicNodePtr, bool)> take_;
    std::function<void(float)> progress_;
};

class PageBookSink final : public disk::BookScanSink {
public:
    explicit PageBookSink(std::function<void(PRBookNodePtr, float)> take) : take_(std::move(take)) {}
    void deliver(const PRBookNodePtr& book, float progress) override { take_(book, progress); }

private:
    std::function<void(PRBookNodePtr, float)> take_;
};

// The picture scaled to fit into the label, or nothing.
void showPicture(QLabel* label, const QImage& image) {
    if (image.isNull()) {
        label->clear();
        return;
    }
    label->setPixmap(
        QPixmap::fromImage(image.scaled(label->size() - QSize(8, 8), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
}

}  // namespace

// ---- Scans ------------------------------------------------------------------------------------

void PRDiskaManagerViewController::startScanDevicePhoto(const DeviceStamp& stamp) {
    PagePhotoSink sink(
        [this, stamp](PRPhotoAndVideoNodePtr record, float progress) {
            handOff(stamp, [this, record = std::move(record), progress] {
                photoFilesArray.push_back(record);
                ScanPhotoProgressInfoOnMainThread(progress);
            });
        },
        [this, stamp](float value) { handOff(stamp, [this, value] { ScanPhotoProgressInfoOnMainThread(value); }); });
    disk::PhotoScan::Options options;
    options.deviceIndex = stamp.index();
    options.deviceConnected = stillScanning(stamp);
    options.stop = &stopping_;
    disk::PhotoScan scan(services_, options, sink);
    const disk::PhotoScan::Outcome outcome = scan.startScanDevicePhoto();
    if (outcome == disk::PhotoScan::Outcome::Finished) {
        const uint64_t total = scan.allPhotoFileSize();
        handOff(stamp, [this, total] {
            allPhotoFileSize = total;
            startScanDevicePhotoFinishHandle();
        });
    } else if (outcome != disk::PhotoScan::Outcome::Stopped) {
        handOff(stamp, [this] { scanEndedUnfinished(DiskScanGroup::Photos); });
    }
}

void PRDiskaManagerViewController::startScanDeviceMusic(const DeviceStamp& stamp) {
    PageMusicSink sink(
        [this, stamp](PRTranMusicNodePtr record, bool video) {
            handOff(stamp, [this, record = std::move(record), video] {
                (video ? videoFilesArray : musicFilesArray).push_back(record);
            });
        },
        [this, stamp](float value) { handOff(stamp, [this, value] { ScanMusicProgressInfoOnMainThread(value); }); });
    disk::MusicScan::Options options;
    options.deviceIndex = stamp.index();
    options.deviceConnected = stillScanning(stamp);
    options.stop = &stopping_;
    disk::MusicScan scan(services_, options, sink);
    const disk::MusicScan::Outcome outcome = scan.startScanDeviceMusic();
    if (outcome == disk::MusicScan::Outcome::Finished) {
        const uint64_t music = scan.allMusicFileSize(), video = scan.allVideoFileSize();
        handOff(stamp, [this, music, video] {
            allMusicFileSize = music;
            allVideoFileSize = video;
            ScanDiskMusicFinishHandle();
        });
    } else if (outcome != disk::MusicScan::Outcome::Stopped) {
        handOff(stamp, [this] { scanEndedUnfinished(DiskScanGroup::MusicAndVideos); });
    }
}

void PRDiskaManagerViewController::startScanDeviceBooks(const DeviceStamp& stamp) {
    PageBookSink sink([this, stamp](PRBookNodePtr book, float progress) {
        handOff(stamp, [this, book = std::move(book), progress] {
            bookFilesArray.push_back(book);
            ScanBookProgressInfoOnMainThread(progress);
        });
    });
    disk::BookScan::Options options;
    options.deviceIndex = stamp.index();
    disk::BookScan scan(services_, options, sink);
    if (scan.startScanDeviceBooks() != disk::BookScan::Outcome::Finished) {
        handOff(stamp, [this] { scanEndedUnfinished(DiskScanGroup::Books); });
        return;
    }
    const uint64_t total = scan.allBooksFileSize();
    handOff(stamp, [this, total] {
        allBooksFileSize = total;
        ScanBookProgressInfoOnMainThread(1.0f);
        ScanBookFinishHandle();
    });
}

// ---- Detail panes -----------------------------------------------------------------------------

int PRDiskaManagerViewController::selectedContentRow(QTableView* table) const {
    QItemSelectionModel* selection = table->selectionModel();
    if (!selection) return -1;
    const QModelIndexList rows = selection->selectedRows();
    if (rows.isEmpty()) return -1;
    // The row the user clicked last when it is among the selected ones.
    QModelIndex chosen = rows.first();
    if (selection->currentIndex().isValid() && selection->isRowSelected(selection->currentIndex().row()))
        chosen = selection->currentIndex();
    if (auto* sorted = qobject_cast<QSortFilterProxyModel*>(table->model())) chosen = sorted->mapToSource(chosen);
    return chosen.row();
}

void PRDiskaManagerViewController::tableViewSelectionDidChange(QTableView* table) {
    const int row = selectedContentRow(table);
    if (row < 0) return;
    if (table == photoFileTableview) {
        PRPhotoAndVideoNodePtr photo = photoFileController->objectAt(row);
        if (!photo) return;
        std::error_code error;
        // A copy that went away since (the temporary folder was emptied) is made again.
        if (!photo->bhasCopy() || !std::filesystem::exists(disk::previewCopyPath(photo->filePath()), error)) {
            threads_.start(
                [this, photo, stamp = tie_.stamp()](const std::atomic<bool>&) { PreviewCopyOnThread(photo, stamp); });
            return;
        }
        showPhotoPreview(photo);
    } else if (table == musicFileTableView || table == vidoeFileTableView) {
        const bool music = table == musicFileTableView;
        PRTranMusicNodePtr track = (music ? muiscFileController : videoFileController)->objectAt(row);
        if (!track) return;
        showPicture(music ? musicPreviewImage : videoPreviewImage, images::imageNamed("defaultMuisc.png"));
        (music ? musicPreviewFileName : videoPreviewFileName)->setText(QString::fromStdString(track->musicTitle()));
        (music ? musicPreviewFileSize : videoPreviewFileSize)->setText(QString::fromStdString(track->musicFileSize()));
    } else if (table == bookFileTableview) {
        PRBookNodePtr book = booksFileController->objectAt(row);
        if (!book) return;
        showPicture(bookPreviewImage, booksFileController->imageIcon(book));
        bookPreviewFileName->setText(QString::fromStdString(book->bookName()));
    } else if (table == appFileTableView || table == systemAppFileTableView) {
        const bool user = table == appFileTableView;
        PRAppDirTreeNodePtr app = (user ? appFileController : systemAppFileController)->objectAt(row);
        if (!app) return;
        // An icon is shown at its own size, 128 points at most.
        QLabel* image = user ? appPreviewImage : systemAppPreviewImageView;
        if (app->appIcon.isNull())
            image->clear();
        else
            image->setPixmap(
                QPixmap::fromImage(app->appIcon.width() > 128 || app->appIcon.height() > 128
                                       ? app->appIcon.scaled(128, 128, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                                       : app->appIcon));
        // A name or version the app does not give leaves the line as it was.
        if (!app->appDisplayName.isEmpty()) (user ? appFileNamelab : systemAppNamelb)->setText(app->appDisplayName);
        if (!app->appVersion.isEmpty()) (user ? appVersionlab : systemAppVersionlab)->setText(app->appVersion);
    }
}

void PRDiskaManagerViewController::clearDetailPanes(DiskScanGroup group) {
    std::vector<QLabel*> labels;
    switch (group) {
    case DiskScanGroup::Photos: labels = {photoPreviewImage, photoPreviewFileName, photoPreviewFileSize}; break;
    case DiskScanGroup::MusicAndVideos:
        labels = {musicPreviewImage, musicPreviewFileName, musicPreviewFileSize,
                  videoPreviewImage, videoPreviewFileName, videoPreviewFileSize};
        break;
    case DiskScanGroup::Books: labels = {bookPreviewImage, bookPreviewFileName}; break;
    case DiskScanGroup::Apps:
        labels = {appPreviewImage,           appFileNamelab,  appVersionlab,
                  systemAppPreviewImageView, systemAppNamelb, systemAppVersionlab};
        break;
    case DiskScanGroup::UserData: break;
    }
    for (QLabel* label : labels) label->clear();
}

void PRDiskaManagerViewController::PreviewCopyOnThread(const PRPhotoAndVideoNodePtr& photo, const DeviceStamp& stamp) {
    bool copied = false;
    {
        const auto onlyItsDevice = stamp.onlyThisDevice();
        if (std::unique_ptr<amd::FileService> service = services_.startMediaArea(stamp.index())) {
            const std::string local = disk::previewCopyPath(photo->filePath());
            copied = !local.empty() && amd::copyToOwnFile(*service, photo->filePath(), local) == 0;
        }
    }
    handOff(stamp, [this, photo, copied] { PreviewCopyOnMainThreadHanld(photo, copied); });
}

void PRDiskaManagerViewController::PreviewCopyOnMainThreadHanld(const PRPhotoAndVideoNodePtr& photo, bool copied) {
    // Only a whole copy counts: a failed one is tried again at the next selection.
    if (copied) photo->setBhasCopy(true);
    // A copy that ends after the user moved on must not cover the photo now selected.
    if (photoFileController->objectAt(selectedContentRow(photoFileTableview)) != photo) return;
    showPhotoPreview(photo);
}

void PRDiskaManagerViewController::showPhotoPreview(const PRPhotoAndVideoNodePtr& photo) {
    QImage image;
    if (photo->bhasCopy()) {
        QImageReader reader(QString::fromStdString(disk::previewCopyPath(photo->filePath())));
        reader.setAutoTransform(true);
        image = reader.read();
    }
    showPicture(photoPreviewImage, image);
    photoPreviewFileName->setText(QString::fromStdString(photo->fileNodeName()));
    photoPreviewFileSize->setText(QString::fromStdString(photo->fileNodeSize()));
}
