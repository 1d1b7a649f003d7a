#include "transfer/DocumentPicture.h"

#include <QFileInfo>
#include <QImageReader>
#include <QPdfDocument>

namespace documentpicture {
namespace {

QImage pictureOf(const QString& path, QSize most) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    if (!reader.canRead()) return {};
    if (reader.size().isValid())
        reader.setScaledSize(reader.size().scaled(most, Qt::KeepAspectRatio).boundedTo(reader.size()));
    return reader.read();
}

QImage firstPageOf(const QString& path, QSize most) {
    QPdfDocument pdf;
    if (pdf.load(path) != QPdfDocument::Error::None || pdf.pageCount() < 1) return {};
    const QSizeF page = pdf.pagePointSize(0);
    if (page.isEmpty()) return {};
    return pdf.render(0, page.scaled(QSizeF(most), Qt::KeepAspectRatio).toSize().expandedTo({1, 1}));
}

}  // namespace

QImage of(const QString& path, QSize most) {
    if (QFileInfo(path).suffix().compare(QStringLiteral("pdf"), Qt::CaseInsensitive) == 0)
        return firstPageOf(path, most);
    return pictureOf(path, most);
}

bool isMovie(const QString& path) {
    static const QStringList movies = {"mov", "mp4", "m4v", "3gp", "avi", "mpeg", "mpg"};
    return movies.contains(QFileInfo(path).suffix().toLower());
}

}  // namespace documentpicture
