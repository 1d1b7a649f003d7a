// The player of a track or a movie (the transfer page's music and video sub-views, the device
// file browser's preview): loads a local copy, starts and pauses it, and says in a line of text
// when the track cannot be played (no copy, a file the media backend cannot open, no backend at
// all). A machine without sound still loads and measures tracks; only the sound is missing.
#pragma once

#include <QImage>
#include <QObject>
#include <QString>

class QAudioOutput;
class QLabel;
class QMediaPlayer;
class QPushButton;
class QVideoWidget;
class QWidget;

class TrackPlayer : public QObject {
    Q_OBJECT
public:
    // video: the player shows pictures in a widget of its own (videoWidget()).
    TrackPlayer(bool video, QLabel* status, QWidget* parent);
    ~TrackPlayer() override;

    // Loads the file; with start it plays as soon as it is loaded.
    void load(const QString& path, bool start);
    // Plays the loaded file from where it is.
    void play();
    void pause();
    // Marks the track as unplayable with the reason shown to the user.
    void cannotPlay(const QString& reason);
    void clear();

    const QString& source() const { return source_; }
    bool loaded() const { return loaded_; }
    bool failed() const { return failed_; }
    bool playing() const;
    // The length in milliseconds the backend reported; 0 until it knows.
    qint64 duration() const;
    // The picture the loaded file's tags carry (its cover art or thumbnail); null without one.
    QImage artwork() const;
    QWidget* videoWidget() const;
    QPushButton* playButton() const { return playButton_; }

    static QString cannotPlayText() { return tr("This track cannot be played."); }

signals:
    void stateChanged();

private:
    void updateStatus();

    QMediaPlayer* player_ = nullptr;
    QAudioOutput* audio_ = nullptr;
    QVideoWidget* video_ = nullptr;
    QLabel* status_;
    QPushButton* playButton_ = nullptr;
    QString source_;
    bool loaded_ = false, failed_ = false, startWhenLoaded_ = false;
};
