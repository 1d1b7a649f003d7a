#include "browser/PRConversationImageExport.h"

#include "browser/ConversationPaging.h"
#include "browser/PRConversationView.h"
#include "platform/NewFile.h"
#include "platform/Paths.h"
#include "platform/Threads.h"
#include "platform/Workspace.h"

#include <QBuffer>

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
        std::string path = conversation::messageImagePath(name);
        QBuffer png;
        bool written = false;
        if (!image.isNull() && files::makeFolders(folder).empty() && png.open(QIODevice::WriteOnly) &&
            image.save(&png, "PNG")) {
            const files::Outcome outcome =
                files::writeNewFile(path, std::string_view(png.data().constData(), size_t(png.size())));
            written = outcome.ok();
            path = outcome.path;  // a picture already there keeps its name
        }
        performOnMainThread(
            receiver,
            [this, path, written] {
                if (onFinished) onFinished(path, written);
            },
            false);
    });
}
