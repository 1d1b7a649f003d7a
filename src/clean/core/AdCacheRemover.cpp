#include "clean/core/AdCacheRemover.h"

#include "clean/core/JunkFileActions.h"
#include "platform/LogCategories.h"
#include "platform/Paths.h"

#include <QFile>
#include <QtDebug>

namespace clean {

namespace {

std::string utf8(const QString& s) { return s.toStdString(); }

// "/Library/Caches/<one plain name>".
bool isAdFolderPath(const QString& path) {
    static const QString prefix = QStringLiteral("/Library/Caches/");
    if (!path.startsWith(prefix)) return false;
    const QString name = path.mid(prefix.size());
    return !name.isEmpty() && name != QLatin1String(".") && name != QLatin1String("..") &&
           !name.contains(QLatin1Char('/')) && !name.contains(QChar(0));
}

}  // namespace

QString AdCacheRemover::placeholderFile(const QString& folderName) {
    const std::string folder = paths::resolve("/tmp/Ad");
    if (folder.empty() || !paths::makeDirectories(folder)) return {};
    const QString file = QString::fromStdString(folder) + QLatin1Char('/') + safeLocalName(folderName);
    QFile out(file);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate)) return {};
    return file;
}

QString AdRemovalResult::failureDetail() const {
    if (remainingPaths.isEmpty()) return {};
    return failureReason.isEmpty() ? remainingPaths.first()
                                   : remainingPaths.first() + QStringLiteral(": ") + failureReason;
}

AdRemovalResult AdCacheRemover::removeFolders(const QString& bundleId, const QStringList& paths) {
    AdRemovalResult result;
    qCInfo(lcClean).noquote() << "[sender appBundleID]====" + bundleId;
    int status = 0;
    auto container = services_.startAppDir(device_, utf8(bundleId), &status);
    if (!container) {
        result.serviceFailed = true;
        result.remainingPaths = paths;
        result.failureReason =
            QStringLiteral("The device's file service could not be started: ") + deviceStatusText(status);
        return result;
    }
    auto stays = [&result](const QString& path, const QString& reason) {
        if (result.remainingPaths.isEmpty()) result.failureReason = reason;
        result.remainingPaths << path;
    };
    for (const QString& path : paths) {
        if (!isAdFolderPath(path)) {
            stays(path, QStringLiteral("Not an advertising cache folder"));
            continue;
        }
        const std::string folder = utf8(path);
        // One level: a sub-folder that still holds files stays, and so does the folder.
        std::vector<std::string> names;
        container->ListDirectory(folder, names);
        for (const auto& name : names)
            if (!name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos)
                container->RemovePath(folder + "/" + name);
        if (const int removed = container->RemovePath(folder); removed != 0) {
            stays(path, deviceStatusText(removed));
            continue;
        }
        result.removedPaths << path;
        const QString local = placeholderFile(path.mid(path.lastIndexOf(QLatin1Char('/')) + 1));
        // An empty file copies no bytes (status 1), yet its device file is made: look for it.
        amd::FileEntry info;
        if (local.isEmpty() || (container->CopyToDevice(local.toStdString(), folder) != 0 &&
                                !(container->FileInfo(folder, info) && info.kind == amd::FileEntry::Kind::Regular)))
            qCInfo(lcClean).noquote() << "The empty file could not be put in place of" << path;
    }
    return result;
}

}  // namespace clean
