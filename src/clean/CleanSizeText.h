// Byte counts as the interface's size texts, as QStrings for the clean pages' nodes and labels.
#pragma once

#include <QString>
#include <cstdint>

namespace clean {
QString sizeText(uint64_t bytes);
// The byte count of a size text; a plain decimal count (the sync folder's "st_size" texts)
// is read as such.
uint64_t bytesOfSizeText(const QString& text);
}  // namespace clean
