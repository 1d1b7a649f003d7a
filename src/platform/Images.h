// Interface images looked up by the names the system uses ("NULLImage.png" or "NULLImage"),
// read from resources/images and cached. A name without a file is logged once and gives a
// null image.
#pragma once

#include <QImage>
#include <QString>
#include <QStringList>

namespace images {
QImage imageNamed(const QString& name);
// Every name asked for that had no file, for tests that visit pages.
QStringList missingImageNames();
void clearCache();
}  // namespace images
