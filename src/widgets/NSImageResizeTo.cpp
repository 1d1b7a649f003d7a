#include "widgets/NSImageResizeTo.h"

#include "platform/LogCategories.h"

#include <QDebug>
#include <QPainter>

QImage resizeTo(const QImage& image, const QSize& size) {
    QImage result(size.expandedTo(QSize(1, 1)), QImage::Format_ARGB32_Premultiplied);
    result.fill(Qt::white);
    if (!image.isNull()) {
        QPainter painter(&result);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        painter.drawImage(QRect(QPoint(0, 0), size), image);
    }
    return result;
}

QImage thumbnailImage(const QImage& image, const QSize& size) {
    if (image.isNull() || size.isEmpty()) {
        qCWarning(lcWidgets) << "Invalid Image";
        return {};
    }
    return image.scaled(size, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
}
