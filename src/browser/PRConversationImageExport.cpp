#include "browser/PRConversationImageExport.h"

#include "browser/ConversationPaging.h"
#include "browser/PRConversationView.h"
#include "platform/Paths.h"
#include "platform/Threads.h"
#include "platform/Workspace.h"

#include <QSaveFile>

QImage PRConversationImageExport::cacheImageForView(QWidget* view) {
    if (!view || view->width() <= 0 || view->height() <= 0) return {};
    return view->grab(view->rect()).toImage();
}

void PRConversationImageExport::actExportImage(PRConversationView* view) {
    if (!view) return;
    const std::string name =
        view->currentMessageTreeNode ? view->currentMessageTreeNode->messageTreeNodeName() : std::string();
    const QImage image = cacheImageForView(view->documentView());
    const MainThreadReceiver receiver(this);
    NSThread::detachNewThread([receiver, image, name, this] {
        const std::string folder = conversation::messageImageFolder();
        paths::makeDirectories(folder);
        const std::string path = conversation::messageImagePath(name);
        bool written = false;
        if (!image.isNull()) {
            QSaveFile file(QString::fromStdString(path));
            written = file.open(QIODevice::WriteOnly) && image.save(&file, "PNG") && file.commit();
        }
        performOnMainThread(
            receiver,
            [this, folder, path, written] {
                workspace::selectFile(QString(), QString::fromStdString(folder));
                if (onFinished) onFinished(path, written);
            },
            false);
    });
}
