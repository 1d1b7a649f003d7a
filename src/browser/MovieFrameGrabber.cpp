#include "browser/MovieFrameGrabber.h"

#include "platform/FileOpen.h"

#include <QFileInfo>
#include <QMediaPlayer>
#include <QTimer>
#include <QUrl>
#include <QVideoFrame>
#include <QVideoSink>
#include <fcntl.h>
#include <unistd.h>

namespace {

// A regular file below the size limit, named by no link.
bool openableMovie(const QString& path) {
    const int fd = files::openForReading(path.toStdString(), /*followLinks*/ false);
    if (fd < 0) return false;
    const off_t size = lseek(fd, 0, SEEK_END);
    close(fd);
    return size > 0 && size < MovieFrameGrabber::kMaxBytes;
}

}  // namespace

MovieFrameGrabber::MovieFrameGrabber(QObject* parent) : QObject(parent) {}

MovieFrameGrabber::~MovieFrameGrabber() {
    clear();
    if (player_) player_->stop();
}

void MovieFrameGrabber::grab(const QString& path, QSize size, std::function<void(const QImage&)> done) {
    queue_.push_back({path, size, std::move(done)});
    if (!current_) QTimer::singleShot(0, this, [this] { next(); });
}

void MovieFrameGrabber::clear() {
    queue_.clear();
    if (!current_) return;
    current_.reset();
    timeout_->stop();
    player_->stop();
}

void MovieFrameGrabber::next() {
    while (!current_ && !queue_.empty()) {
        Request request = std::move(queue_.front());
        queue_.pop_front();
        if (!openableMovie(request.path)) {
            request.done(QImage());
            continue;
        }
        if (!player_) {
            // Made for the first movie: a grid of photos alone never starts the media backend.
            player_ = new QMediaPlayer(this);
            sink_ = new QVideoSink(this);
            player_->setVideoSink(sink_);
            timeout_ = new QTimer(this);
            timeout_->setSingleShot(true);
            connect(timeout_, &QTimer::timeout, this, [this] { finish(QImage()); });
            connect(sink_, &QVideoSink::videoFrameChanged, this, &MovieFrameGrabber::frameArrived);
            connect(player_, &QMediaPlayer::errorOccurred, this, [this] { finish(QImage()); });
            connect(player_, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
                if (status == QMediaPlayer::InvalidMedia || status == QMediaPlayer::EndOfMedia) finish(QImage());
            });
        }
        if (!player_->isAvailable()) {  // no media backend on this computer: no frames at all
            request.done(QImage());
            continue;
        }
        current_ = std::move(request);
        timeout_->start(kTimeoutMs);
        player_->setSource(QUrl::fromLocalFile(QFileInfo(current_->path).absoluteFilePath()));
        player_->play();
    }
}

void MovieFrameGrabber::frameArrived(const QVideoFrame& frame) {
    if (!current_ || !frame.isValid()) return;
    const QImage image = frame.toImage();
    if (!image.isNull()) finish(image);
}

void MovieFrameGrabber::finish(const QImage& frame) {
    if (!current_) return;
    Request request = std::move(*current_);
    current_.reset();
    timeout_->stop();
    player_->stop();
    player_->setSource(QUrl());
    request.done(frame.isNull() ? frame : frame.scaled(request.size, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    // The next one once the backend has let go of this one.
    QTimer::singleShot(0, this, [this] { next(); });
}
