// The picture in a file of a backup, read as every backup file is read: never through a link,
// a regular file only (a FIFO or a device never blocks the reader), no more than kMaxBytes.
// A file that is none of these, or holds no picture, gives a null image. Any thread.
#pragma once

#include <QImage>
#include <cstddef>
#include <string>

namespace backuppicture {

constexpr size_t kMaxBytes = 64u << 20;

// The picture at path, turned as its EXIF orientation says; with largestSide > 0 decoded no
// larger than largestSide on either side.
QImage read(const std::string& path, int largestSide = 0);

}  // namespace backuppicture
