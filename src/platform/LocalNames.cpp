#include "platform/LocalNames.h"

#include <QByteArray>
#include <QStringList>
#include <algorithm>

namespace localnames {

QString safeLocalName(const QString& name, int room) {
    QString safe = name;
    for (QChar& c : safe) {
        const char16_t u = c.unicode();
        if (u == '/' || u == 0)
            c = QLatin1Char('_');
        else if (u < 0x20 || u == 0x7F || u == 0x85 || u == 0x2028 || u == 0x2029)
            c = QLatin1Char(' ');
    }
    if (QByteArray bytes = safe.toUtf8(); bytes.size() > room) {
        qsizetype end = std::max(room, 1);
        while (end > 0 && (static_cast<unsigned char>(bytes[end]) & 0xC0) == 0x80) --end;
        safe = QString::fromUtf8(bytes.left(end));
    }
    // A name that would be hidden or climb ("..", "../../x" made "_.._x") is written visible: its
    // leading dots go, and a name left empty is "_".
    qsizetype dots = 0;
    while (dots < safe.size() && safe[dots] == QLatin1Char('.')) ++dots;
    safe.remove(0, dots);
    if (safe.isEmpty()) safe = QStringLiteral("_");
    return safe;
}

QString exportedName(const QString& deviceName) {
    return safeLocalName(deviceName.startsWith(QLatin1Char('.')) ? deviceName.mid(1) : deviceName);
}

QString localPathUnder(const QString& root, const QString& devicePath) {
    QString path = devicePath;
    path.replace(QStringLiteral("/."), QStringLiteral("/"));
    QString local = root;
    while (local.endsWith(QLatin1Char('/')) && local.size() > 1) local.chop(1);
    for (const QString& part : path.split(QLatin1Char('/'), Qt::SkipEmptyParts))
        local += QLatin1Char('/') + safeLocalName(part);
    return local;
}

}  // namespace localnames
