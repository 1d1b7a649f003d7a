// The music-library script. Run as
//     iTunesScript <handler> [parameters...]
// it keeps a music library under the user's home, ~/Music/Quillomatrix Library: the added
// files, and one playlist file per playlist, UTF-8 M3U under the ".m3u8" name that tells players
// its encoding (a ".m3u" they read in a legacy code page). Playlists of an earlier library,
// still named ".m3u", are read as well and take the ".m3u8" name when next changed. Handler names are
// matched without regard to case. A handler that succeeds prints its reply, one item a line,
// and exits 0; one that fails prints "<error number>: <message>" on standard error and exits 1.
//
// Handlers: HideWindow, QuitWindow (nothing to do without a window), AddNewPlaylist <name>
// (succeeds whether or not the playlist is there), deletePlaylist <name>, GetAllPlaylist,
// AddNewFile <path> <playlist> (copies the file into the library and lists it in the playlist).
// Every call first takes into the library what lies in its automatic-add folder
// (~/Music/Quillomatrix Library/Automatically Add), where the application puts a file when a
// call failed.
#include "platform/LocalNames.h"
#include "platform/Paths.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QString>
#include <QStringList>
#include <QTextStream>
#include <cstdio>
#include <optional>

namespace {

// The error numbers of the music application's scripting: a missing object, a missing file,
// a message the script does not understand, a wrong number of parameters.
constexpr int kNoSuchObject = -1728;
constexpr int kFileNotFound = -43;
constexpr int kNotUnderstood = -1708;
constexpr int kWrongParameters = -50;
constexpr int kCannotWrite = -61;

struct Failure {
    int number;
    QString message;
};

QString libraryRoot() {
    return QString::fromStdString(paths::homeDirectory()) + QStringLiteral("/Music/Quillomatrix Library");
}
QString playlistFolder() { return libraryRoot() + QStringLiteral("/Playlists"); }
QString mediaFolder() { return libraryRoot() + QStringLiteral("/Media"); }
QString dropFolder() { return libraryRoot() + QStringLiteral("/Automatically Add"); }
QString playlistPath(const QString& name) {
    return playlistFolder() + QLatin1Char('/') + localnames::safeLocalName(name) + QStringLiteral(".m3u8");
}
// The same playlist as an earlier library named it.
QString legacyPlaylistPath(const QString& name) {
    return playlistFolder() + QLatin1Char('/') + localnames::safeLocalName(name) + QStringLiteral(".m3u");
}
// The playlist's file, an earlier ".m3u" renamed to ".m3u8" first (its text is UTF-8 already);
// nothing when there is neither.
std::optional<QString> existingPlaylist(const QString& name) {
    const QString path = playlistPath(name);
    if (QFileInfo::exists(path)) return path;
    const QString legacy = legacyPlaylistPath(name);
    if (!QFileInfo::exists(legacy)) return std::nullopt;
    return QFile::rename(legacy, path) ? path : legacy;
}

bool sameBytes(const QString& a, const QString& b) {
    QFile fa(a), fb(b);
    if (fa.size() != fb.size() || !fa.open(QIODevice::ReadOnly) || !fb.open(QIODevice::ReadOnly)) return false;
    while (!fa.atEnd())
        if (fa.read(1 << 16) != fb.read(1 << 16)) return false;
    return true;
}

// Where the library keeps a copy of source: under its own name, or "name 2.ext", "name 3.ext"
// when another file of that name is there; a file already added is not added twice.
QString libraryCopyOf(const QString& source, bool& alreadyThere) {
    const QFileInfo info(source);
    const QString base =
        localnames::safeLocalName(info.completeBaseName().isEmpty() ? info.fileName() : info.completeBaseName());
    const QString suffix = info.suffix().isEmpty() ? QString() : QLatin1Char('.') + info.suffix();
    for (int n = 1;; ++n) {
        const QString name = n == 1 ? base + suffix : QStringLiteral("%1 %2%3").arg(base).arg(n).arg(suffix);
        const QString candidate = mediaFolder() + QLatin1Char('/') + localnames::safeLocalName(name);
        if (!QFileInfo::exists(candidate)) return candidate;
        if (sameBytes(candidate, source)) {
            alreadyThere = true;
            return candidate;
        }
    }
}

// Moves the plain files of the automatic-add folder into the library's media, as the library
// takes what is dropped there: a file already in the library is not added twice, another of
// the same name is kept beside it. Hidden files (a copy still being written) and links are
// left where they are; a file that cannot be moved is tried again at the next call.
void pickUpDropFolder() {
    const QFileInfoList dropped = QDir(dropFolder()).entryInfoList(QDir::Files | QDir::NoSymLinks, QDir::Name);
    if (dropped.isEmpty() || !QDir().mkpath(mediaFolder())) return;
    for (const QFileInfo& file : dropped) {
        if (file.fileName().startsWith(QLatin1Char('.')) || file.isSymLink() || !file.isFile()) continue;
        bool alreadyThere = false;
        const QString copy = libraryCopyOf(file.filePath(), alreadyThere);
        if (alreadyThere)
            QFile::remove(file.filePath());
        else
            QFile::rename(file.filePath(), copy);
    }
}

std::optional<Failure> addNewPlaylist(const QString& name) {
    if (!QDir().mkpath(playlistFolder()))
        return Failure{kCannotWrite, QStringLiteral("The library cannot be written.")};
    if (existingPlaylist(name)) return std::nullopt;
    QFile file(playlistPath(name));
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return Failure{kCannotWrite, QStringLiteral("The playlist \"%1\" cannot be written.").arg(name)};
    file.write("#EXTM3U\n");
    return std::nullopt;
}

std::optional<Failure> deletePlaylist(const QString& name) {
    bool found = false;
    for (const QString& path : {playlistPath(name), legacyPlaylistPath(name)}) {
        if (!QFileInfo::exists(path)) continue;
        found = true;
        if (!QFile::remove(path))
            return Failure{kCannotWrite, QStringLiteral("The playlist \"%1\" cannot be deleted.").arg(name)};
    }
    if (!found) return Failure{kNoSuchObject, QStringLiteral("Can't get playlist \"%1\".").arg(name)};
    return std::nullopt;
}

QStringList allPlaylists() {
    QStringList names;
    const QFileInfoList files =
        QDir(playlistFolder())
            .entryInfoList({QStringLiteral("*.m3u8"), QStringLiteral("*.m3u")}, QDir::Files, QDir::Name);
    for (const QFileInfo& file : files)
        if (!names.contains(file.completeBaseName())) names << file.completeBaseName();
    names.sort();
    return names;
}

std::optional<Failure> addNewFile(const QString& source, const QString& playlist) {
    if (!QFileInfo(source).isFile()) return Failure{kFileNotFound, QStringLiteral("File %1 wasn't found.").arg(source)};
    const std::optional<QString> found = existingPlaylist(playlist);
    if (!found) return Failure{kNoSuchObject, QStringLiteral("Can't get playlist \"%1\".").arg(playlist)};
    const QString list = *found;
    if (!QDir().mkpath(mediaFolder())) return Failure{kCannotWrite, QStringLiteral("The library cannot be written.")};
    bool alreadyThere = false;
    const QString copy = libraryCopyOf(source, alreadyThere);
    if (!alreadyThere && !QFile::copy(source, copy)) {
        QFile::remove(copy);
        return Failure{kCannotWrite, QStringLiteral("File %1 cannot be added to the library.").arg(source)};
    }
    // The playlist names the library's copy by its path relative to the playlist file.
    const QString entry = QDir(playlistFolder()).relativeFilePath(copy);
    QFile file(list);
    if (!file.open(QIODevice::ReadOnly))
        return Failure{kCannotWrite, QStringLiteral("The playlist \"%1\" cannot be read.").arg(playlist)};
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    file.close();
    if (lines.contains(entry)) return std::nullopt;
    if (!file.open(QIODevice::Append))
        return Failure{kCannotWrite, QStringLiteral("The playlist \"%1\" cannot be written.").arg(playlist)};
    file.write((entry + QLatin1Char('\n')).toUtf8());
    return std::nullopt;
}

int fail(const Failure& failure) {
    std::fprintf(stderr, "%d: %s\n", failure.number, failure.message.toUtf8().constData());
    return 1;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return fail({kNotUnderstood, QStringLiteral("No handler was named.")});
    const QString handler = QString::fromLocal8Bit(argv[1]).toLower();
    QStringList parameters;
    for (int i = 2; i < argc; ++i) parameters << QString::fromLocal8Bit(argv[i]);
    auto needs = [&](qsizetype count) -> std::optional<Failure> {
        if (parameters.size() == count) return std::nullopt;
        return Failure{kWrongParameters, QStringLiteral("%1 takes %2 parameter(s).").arg(handler).arg(count)};
    };

    // Several copies of the page's workers may call at once: one library change at a time.
    QDir().mkpath(libraryRoot());
    QLockFile lock(libraryRoot() + QStringLiteral("/.library.lock"));
    lock.setStaleLockTime(30000);
    if (!lock.lock()) return fail({kCannotWrite, QStringLiteral("The library is locked.")});
    pickUpDropFolder();

    std::optional<Failure> failure;
    if (handler == QLatin1String("hidewindow") || handler == QLatin1String("quitwindow")) {
        failure = needs(0);
    } else if (handler == QLatin1String("addnewplaylist")) {
        failure = needs(1);
        if (!failure) failure = addNewPlaylist(parameters[0]);
    } else if (handler == QLatin1String("deleteplaylist")) {
        failure = needs(1);
        if (!failure) failure = deletePlaylist(parameters[0]);
    } else if (handler == QLatin1String("getallplaylist")) {
        failure = needs(0);
        if (!failure) {
            QTextStream out(stdout);
            for (const QString& name : allPlaylists()) out << name << '\n';
        }
    } else if (handler == QLatin1String("addnewfile")) {
        failure = needs(2);
        if (!failure) failure = addNewFile(parameters[0], parameters[1]);
    } else {
        failure = Failure{kNotUnderstood, QStringLiteral("The script doesn't understand the %1 message.").arg(argv[1])};
    }
    return failure ? fail(*failure) : 0;
}
