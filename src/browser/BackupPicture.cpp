#include "browser/BackupPicture.h"

#include "platform/FileOpen.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

namespace backuppicture {

QImage read(const std::string& path, int largestSide) {
    std::string bytes;
    if (path.empty() || !files::readRegularFile(path, kMaxBytes, &bytes, nullptr, /*followLinks*/ false)) return {};
    QByteArray data = QByteArray::fromStdString(bytes);
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    if (largestSide <= 0) return reader.read();
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > largestSide || size.height() > largestSide))
        reader.setScaledSize(size.scaled(largestSide, largestSide, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (!image.isNull() && (image.width() > largestSide || image.height() > largestSide))
        image = image.scaled(largestSide, largestSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

}  // namespace backuppicture
