#include "transfer/core/IKImageItem.h"

#include <QFileInfo>

QString IKImageItem::fileTypeForPath(const QString& path) {
    const QString extension = QFileInfo(path).suffix();
    for (const char* movie : {"MOV", "mp4", "m4v", "MPEG"})
        if (extension.compare(QLatin1String(movie), Qt::CaseInsensitive) == 0) return QStringLiteral("Movie");
    return QStringLiteral("Image");
}
