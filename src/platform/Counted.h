// A count said with its noun, as the program's own sentences say it: "1 file", "3 files".
#pragma once

#include <QString>

inline QString counted(qulonglong n, const char* one, const char* many) {
    return QString::number(n) + QLatin1Char(' ') + QString::fromUtf8(n == 1 ? one : many);
}
