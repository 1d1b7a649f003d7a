#include "widgets/TrackPlayer.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QLabel>
#include <QMediaMetaData>
#include <QMediaPlayer>
#include <QPalette>
#include <QPushButton>
#include <QUrl>
#include <QVideoWidget>

namespace {

QString timeText(qint64 ms) {
    const qint64 seconds = ms / 1000;
    return QStringLiteral("%1:%2").arg(seconds / 60).arg(seconds % 60, 2, 10, QLatin1Char('0'));
}

}  // namespace

TrackPlayer::TrackPlayer(bool video, QLabel* status, QWidget* parent) : QObject(parent), status_(status) {
    player_ = new QMediaPlayer(this);
    audio_ = new QAudioOutput(this);
    player_->setAudioOutput(audio_);
    if (video) {
        video_ = new QVideoWidget(parent);
        video_->setObjectName("videoWidget");
        // Dark before the first picture, as a screen is.
        QPalette dark = video_->palette();
        dark.setColor(QPalette::Window, Qt::black);
        video_->setPalette(dark);
        video_->setAutoFillBackground(true);
        player_->setVideoOutput(video_);
    }
    playButton_ = new QPushButton(tr("Play"), parent);
    playButton_->setEnabled(false);
    connect(playButton_, &QPushButton::clicked, this, [this] { playing() ? pause() : play(); });
    connect(player_, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::LoadedMedia && !loaded_ && !failed_) {
            loaded_ = true;
            if (startWhenLoaded_) player_->play();
        } else if (status == QMediaPlayer::InvalidMedia) {
            cannotPlay(cannotPlayText());
            return;
        }
        updateStatus();
    });
    connect(player_, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error error, const QString&) {
        if (error != QMediaPlayer::NoError) cannotPlay(cannotPlayText());
    });
    connect(player_, &QMediaPlayer::playbackStateChanged, this, [this] { updateStatus(); });
    connect(player_, &QMediaPlayer::durationChanged, this, [this] { updateStatus(); });
    updateStatus();
}

TrackPlayer::~TrackPlayer() { player_->stop(); }

void TrackPlayer::load(const QString& path, bool start) {
    source_ = path;
    loaded_ = failed_ = false;
    startWhenLoaded_ = start;
    if (!QFileInfo(path).isFile()) {
        cannotPlay(cannotPlayText());
        return;
    }
    if (!player_->isAvailable()) {
        cannotPlay(tr("This track cannot be played: this computer has no media player."));
        return;
    }
    // Handed the source it has, the player answers nothing: a file it refused before would stay
    // an empty picture. It loads each file afresh.
    player_->setSource(QUrl());
    player_->setSource(QUrl::fromLocalFile(path));
    updateStatus();
}

void TrackPlayer::play() {
    if (failed_ || source_.isEmpty()) return;
    if (loaded_)
        player_->play();
    else
        startWhenLoaded_ = true;
    updateStatus();
}

void TrackPlayer::pause() { player_->pause(); }

void TrackPlayer::cannotPlay(const QString& reason) {
    failed_ = true;
    loaded_ = false;
    player_->stop();
    status_->setText(reason);
    playButton_->setEnabled(false);
    emit stateChanged();
}

void TrackPlayer::clear() {
    player_->stop();
    player_->setSource(QUrl());
    source_.clear();
    loaded_ = failed_ = false;
    updateStatus();
}

bool TrackPlayer::playing() const { return player_->playbackState() == QMediaPlayer::PlayingState; }
qint64 TrackPlayer::duration() const { return player_->duration(); }
QWidget* TrackPlayer::videoWidget() const { return video_; }

QImage TrackPlayer::artwork() const {
    if (!loaded_ || failed_) return {};
    const QMediaMetaData tags = player_->metaData();
    for (QMediaMetaData::Key key : {QMediaMetaData::CoverArtImage, QMediaMetaData::ThumbnailImage}) {
        const QImage image = tags.value(key).value<QImage>();
        if (!image.isNull()) return image;
    }
    return {};
}

void TrackPlayer::updateStatus() {
    if (failed_) return;
    playButton_->setEnabled(!source_.isEmpty());
    playButton_->setText(playing() ? tr("Pause") : tr("Play"));
    if (source_.isEmpty())
        status_->setText(tr("Double-click a track to play it."));
    else if (!loaded_)
        status_->setText(tr("Loading..."));
    else
        status_->setText(playing() ? tr("Playing, %1").arg(timeText(duration()))
                                   : tr("Ready, %1").arg(timeText(duration())));
    emit stateChanged();
}
