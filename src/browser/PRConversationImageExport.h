// Writes the shown conversation, as laid out (header, bubbles, "More..." button), to
// "~/Desktop/Quillomatrix/<conversation>_MessageImage.png" and shows that folder. The results
// screen owns one and calls actExportImage with its conversation view from its export button.
// The picture is taken on the main thread (a view is only drawn there); the PNG file is
// written by a worker, replacing an earlier picture of the same conversation.
#pragma once

#include <QImage>
#include <QObject>
#include <functional>
#include <string>

class PRConversationView;

class PRConversationImageExport : public QObject {
    Q_OBJECT
public:
    using QObject::QObject;
    void actExportImage(PRConversationView* view);
    // The whole of view's bounds, or a null image when it cannot be drawn.
    static QImage cacheImageForView(QWidget* view);
    // Called on the main thread once a file has been tried (path, whether it was written).
    std::function<void(const std::string& path, bool written)> onFinished;
};
