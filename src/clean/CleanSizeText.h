// Byte counts as the interface's size texts, as QStrings for the clean pages' nodes and labels.
#pragma once

#include <QString>
#include <cstdint>

namespace clean {
QString sizeText(uint64_t bytes);
}  // namespace clean
