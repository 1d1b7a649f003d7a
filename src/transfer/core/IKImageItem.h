// One picture or movie of the device's camera roll as the photo browser shows it: the device
// file, its local copy (when one was made) and its kind.
#pragma once

#include <QString>

struct IKImageItem {
    QString filePath;                            // the local path the browser shows (the local copy's path)
    QString fileType = QStringLiteral("Image");  // "Image" or "Movie"
    bool bhasCopy = false;                       // a local copy of the device file was made
    QString hasCopy;                             // that local copy's path
    QString devicePath;                          // the file on the device

    // "Movie" for MOV, mp4, m4v and MPEG files (any letter case), else "Image".
    static QString fileTypeForPath(const QString& path);
    bool isMovie() const { return fileType == QLatin1String("Movie"); }
};
