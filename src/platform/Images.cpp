#include "platform/Images.h"

#include "platform/LogCategories.h"
#include "platform/Paths.h"

#include <QFile>
#include <QHash>
#include <QMutex>
#include <QSet>
#include <QtDebug>

namespace {

QMutex g_mutex;
QHash<QString, QImage> g_cache;
QSet<QString> g_missing;
QStringList g_missingOrder;

QString fileFor(const QString& name) {
    const QString dir = QString::fromStdString(paths::resourcesDirectory()) + "/images/";
    QStringList candidates;
    if (name.contains('.'))
        candidates << name;
    else
        candidates << name + ".png" << name + ".svg" << name + ".jpg" << name + ".tiff";
    for (const QString& c : candidates)
        if (QFile::exists(dir + c)) return dir + c;
    return {};
}

}  // namespace

namespace images {

QImage imageNamed(const QString& name) {
    QMutexLocker lock(&g_mutex);
    if (auto it = g_cache.constFind(name); it != g_cache.constEnd()) return *it;
    QImage image;
    const QString file = fileFor(name);
    if (!file.isEmpty()) image.load(file);
    if (image.isNull() && !g_missing.contains(name)) {
        g_missing.insert(name);
        g_missingOrder << name;
        qCWarning(lcPlatform, "image \"%s\" not found", qPrintable(name));
    }
    g_cache.insert(name, image);
    return image;
}

QStringList missingImageNames() {
    QMutexLocker lock(&g_mutex);
    return g_missingOrder;
}

void clearCache() {
    QMutexLocker lock(&g_mutex);
    g_cache.clear();
    g_missing.clear();
    g_missingOrder.clear();
}

}  // namespace images
