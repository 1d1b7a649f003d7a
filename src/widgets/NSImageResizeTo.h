// Image scaling used by the app tables (icons scaled to 36 x 36 on white).
#pragma once

#include <QImage>
#include <QSize>

// The image drawn scaled into a new image of size, over a white background.
QImage resizeTo(const QImage& image, const QSize& size);
// A smooth scaled copy of size; a null image when image cannot be drawn ("Invalid Image" is logged).
QImage thumbnailImage(const QImage& image, const QSize& size);
