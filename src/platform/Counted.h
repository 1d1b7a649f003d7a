// A count said with its noun, as the program's own sentences say it: "1 file", "3 files".
#pragma once

#include <QString>

inline QString counted(qulonglong n, const char* one, const char* many) {
    return QString::number(n) + QLatin1Char(' ') + QString::fromUtf8(n == 1 ? one : many);
}

// What an export did with its files, for its closing line: "3 photos exported", "3 photos
// exported, 2 already there", and when it wrote nothing new "Nothing new exported: 5 photos
// already there". Empty when there was neither (what failed is said apart).
inline QString exportedCount(qulonglong written, qulonglong alreadyThere, const char* one, const char* many) {
    if (written == 0 && alreadyThere == 0) return {};
    if (written == 0)
        return QStringLiteral("Nothing new exported: ") + counted(alreadyThere, one, many) +
               QStringLiteral(" already there");
    QString line = counted(written, one, many) + QStringLiteral(" exported");
    if (alreadyThere > 0)
        line += QStringLiteral(", ") + QString::number(alreadyThere) + QStringLiteral(" already there");
    return line;
}
