#include "platform/LocalNames.h"

#include <QStringList>

namespace localnames {

QString safeLocalName(const QString& name) {
    QString safe = name;
    safe.replace(QLatin1Char('/'), QLatin1Char('_'));
    safe.replace(QChar(0), QLatin1Char('_'));
    if (safe.isEmpty() || safe == QLatin1String(".") || safe == QLatin1String("..")) safe.prepend(QLatin1Char('_'));
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
