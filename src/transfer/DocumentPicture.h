// The picture of a document copied from an app's container: a picture shows itself, a PDF its
// first page, each fitted into a size and never enlarged; any other document has none (a movie's
// first frame comes from the media backend, later). Main thread only.
#pragma once

#include <QImage>
#include <QSize>
#include <QString>

namespace documentpicture {

// The picture of the local file at path, at most most in size; null when it has none.
QImage of(const QString& path, QSize most);
// Whether path names a movie by its extension.
bool isMovie(const QString& path);

}  // namespace documentpicture
