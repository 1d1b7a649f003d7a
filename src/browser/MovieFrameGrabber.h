// First frames of movies, for the places that only show a movie as a picture (the photo grid's
// cells). The media backend opens one movie at a time on the main thread, and the first frame
// it decodes is handed back. A file that is no regular file (a link included: movies come from
// backups), one of kMaxBytes or more, and one the backend cannot open or that shows no frame in
// time give a null image.
#pragma once

#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <deque>
#include <functional>
#include <optional>

class QMediaPlayer;
class QTimer;
class QVideoFrame;
class QVideoSink;

class MovieFrameGrabber : public QObject {
public:
    static constexpr qint64 kMaxBytes = qint64(200) << 20;
    static constexpr int kTimeoutMs = 10000;

    explicit MovieFrameGrabber(QObject* parent = nullptr);
    ~MovieFrameGrabber() override;

    // Queues path; done runs later on the main thread with the first frame fitted into size
    // (null when there is none).
    void grab(const QString& path, QSize size, std::function<void(const QImage&)> done);
    // Drops every request not answered yet; their done never runs.
    void clear();
    // Requests not answered yet.
    int pending() const { return int(queue_.size()) + (current_ ? 1 : 0); }

private:
    struct Request {
        QString path;
        QSize size;
        std::function<void(const QImage&)> done;
    };
    void next();
    void frameArrived(const QVideoFrame& frame);
    void finish(const QImage& frame);

    QMediaPlayer* player_ = nullptr;
    QVideoSink* sink_ = nullptr;
    QTimer* timeout_ = nullptr;
    std::deque<Request> queue_;
    std::optional<Request> current_;
};
