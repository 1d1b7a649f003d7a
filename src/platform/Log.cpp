#include "platform/Log.h"

#include <QByteArray>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace applog {
namespace {

struct State {
    std::mutex mutex;
    bool installed = false;
    QtMessageHandler previous = nullptr;
    Settings settings;
    QByteArray path;  // of the current file, encoded for the file system
    int fd = -1;
    qint64 size = 0;
};

// Never destroyed: messages may still arrive while other static objects are torn down.
State& state() {
    static State* s = new State;
    return *s;
}

// A message that a write below causes itself goes straight to standard error.
thread_local bool writing = false;

const char* levelName(QtMsgType type) {
    switch (type) {
    case QtDebugMsg: return "debug";
    case QtInfoMsg: return "info";
    case QtWarningMsg: return "warning";
    case QtCriticalMsg: return "critical";
    case QtFatalMsg: return "fatal";
    }
    return "info";
}

void writeAll(int fd, const char* data, size_t length) {
    while (length > 0) {
        const ssize_t written = ::write(fd, data, length);
        if (written < 0) {
            if (errno == EINTR) continue;
            return;
        }
        data += written;
        length -= static_cast<size_t>(written);
    }
}

void closeFile(State& s) {
    if (s.fd >= 0) ::close(s.fd);
    s.fd = -1;
    s.size = 0;
}

bool openFile(State& s) {
    s.fd = ::open(s.path.constData(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (s.fd < 0) return false;
    struct stat info {};
    s.size = ::fstat(s.fd, &info) == 0 ? info.st_size : 0;
    return true;
}

// Quillomatrix.log.(n-1) becomes .n, ..., the current file becomes .1; the oldest is dropped.
void rotate(State& s) {
    closeFile(s);
    const int kept = std::max(0, s.settings.keptFiles);
    const QByteArray oldest = s.path + "." + QByteArray::number(kept);
    if (kept == 0) {
        ::unlink(s.path.constData());
    } else {
        ::unlink(oldest.constData());
        for (int n = kept - 1; n >= 1; --n)
            ::rename((s.path + "." + QByteArray::number(n)).constData(),
                     (s.path + "." + QByteArray::number(n + 1)).constData());
        ::rename(s.path.constData(), (s.path + ".1").constData());
    }
    openFile(s);
}

QByteArray formatLine(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    QByteArray line = QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss.zzz").toUtf8();
    line += ' ';
    line += levelName(type);
    if (context.category && std::strcmp(context.category, "default") != 0) {
        line += ' ';
        line += context.category;
    }
    line += ": ";
    line += message.toUtf8();
    line += '\n';
    return line;
}

void handler(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    QByteArray line = formatLine(type, context, message);
    State& s = state();
    if (writing) {
        writeAll(STDERR_FILENO, line.constData(), static_cast<size_t>(line.size()));
        return;
    }
    writing = true;
    {
        std::lock_guard lock(s.mutex);
        const qint64 limit = std::max<qint64>(s.settings.maxFileBytes, 1);
        // One line never makes a file larger than the limit on its own.
        if (line.size() > limit) {
            line.truncate(static_cast<int>(limit - 1));
            line += '\n';
        }
        if (s.fd >= 0 && s.size > 0 && s.size + line.size() > limit) rotate(s);
        if (s.fd >= 0) {
            writeAll(s.fd, line.constData(), static_cast<size_t>(line.size()));
            s.size += line.size();
        }
        // A fatal message ends the program: it must be seen where it is run from as well.
        if (s.fd < 0 || s.settings.toStandardError || type == QtFatalMsg)
            writeAll(STDERR_FILENO, line.constData(), static_cast<size_t>(line.size()));
    }
    writing = false;
}

}  // namespace

QString defaultFolder() {
    QString cache = qEnvironmentVariable("XDG_CACHE_HOME");
    if (cache.isEmpty() || !QDir::isAbsolutePath(cache)) cache = QDir::homePath() + "/.cache";
    return cache + "/Quillomatrix";
}

bool standardErrorRequested(int argc, const char* const* argv) {
    const QByteArray value = qgetenv(kStandardErrorVariable);
    if (!value.isEmpty() && value != "0") return true;
    for (int i = 1; i < argc && argv; ++i)
        if (argv[i] && std::strcmp(argv[i], kStandardErrorFlag) == 0) return true;
    return false;
}

Settings applicationSettings(int argc, const char* const* argv) {
    Settings settings;
    settings.folder = defaultFolder();
    settings.toStandardError = standardErrorRequested(argc, argv);
    return settings;
}

bool install(const Settings& settings) {
    State& s = state();
    bool opened = false;
    {
        std::lock_guard lock(s.mutex);
        closeFile(s);
        s.settings = settings;
        s.path.clear();
        if (!settings.folder.isEmpty() && QDir().mkpath(settings.folder)) {
            const QByteArray folder = QFile::encodeName(settings.folder);
            ::chmod(folder.constData(), 0700);  // the log names devices and files: the user's alone
            s.path = folder + "/" + kFileName;
            opened = openFile(s);
            if (opened && s.size >= std::max<qint64>(settings.maxFileBytes, 1)) rotate(s);
            opened = s.fd >= 0;
        }
    }
    QtMessageHandler previous = qInstallMessageHandler(handler);
    std::lock_guard lock(s.mutex);
    if (!s.installed) s.previous = previous;
    s.installed = true;
    return opened;
}

void uninstall() {
    State& s = state();
    QtMessageHandler previous = nullptr;
    {
        std::lock_guard lock(s.mutex);
        if (!s.installed) return;
        previous = s.previous;
        s.installed = false;
        s.previous = nullptr;
    }
    qInstallMessageHandler(previous);
    std::lock_guard lock(s.mutex);
    closeFile(s);
    s.path.clear();
}

QString currentFile() {
    State& s = state();
    std::lock_guard lock(s.mutex);
    return s.fd >= 0 ? QFile::decodeName(s.path) : QString();
}

}  // namespace applog
