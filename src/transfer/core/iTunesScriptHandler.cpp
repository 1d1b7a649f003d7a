#include "transfer/core/iTunesScriptHandler.h"

#include "platform/LogCategories.h"
#include "platform/Paths.h"

#include <QFileInfo>
#include <QProcess>

// ---- Descriptors ---------------------------------------------------------------------------

NSAppleEventDescriptor NSAppleEventDescriptor::descriptorWithString(const QString& text) {
    NSAppleEventDescriptor d;
    d.kind_ = Kind::String;
    d.text_ = text;
    return d;
}

NSAppleEventDescriptor NSAppleEventDescriptor::descriptorWithInt32(int32_t value) {
    NSAppleEventDescriptor d;
    d.kind_ = Kind::Integer;
    d.integer_ = value;
    return d;
}

NSAppleEventDescriptor NSAppleEventDescriptor::listDescriptor() { return {}; }

QString NSAppleEventDescriptor::stringValue() const {
    switch (kind_) {
    case Kind::String: return text_;
    case Kind::Integer: return QString::number(integer_);
    case Kind::List: break;
    }
    return {};
}

void NSAppleEventDescriptor::insertDescriptor(const NSAppleEventDescriptor& item, int index) {
    const size_t at = index < 1 ? 0 : std::min(size_t(index - 1), items_.size());
    items_.insert(items_.begin() + ptrdiff_t(at), item);
}

QStringList NSAppleEventDescriptor::listOfStringsToArray() const {
    QStringList strings;
    for (int i = 1; i <= numberOfItems(); ++i) strings << descriptorAtIndex(i).stringValue();
    return strings;
}

// ---- Handler --------------------------------------------------------------------------------

iTunesScriptHandler::iTunesScriptHandler(QString scriptPath) : script_(std::move(scriptPath)) {
    if (script_.isEmpty())
        script_ = QString::fromStdString(paths::appendingPathComponent(paths::executableDirectory(), "iTunesScript"));
}

namespace {
thread_local iTunesScriptHandler::KeptErrors* keptErrors = nullptr;
}  // namespace

iTunesScriptHandler::KeptErrors::KeptErrors() : outer_(keptErrors) { keptErrors = this; }
iTunesScriptHandler::KeptErrors::~KeptErrors() { keptErrors = outer_; }

void iTunesScriptHandler::showError(const QString& text) {
    if (keptErrors) {
        qCWarning(lcTransfer, "%s: %s", kAlertTitle, qPrintable(text));
        keptErrors->texts << text;
    } else if (errorAlert)
        errorAlert(text);
    else
        qCWarning(lcTransfer, "%s: %s", kAlertTitle, qPrintable(text));
}

std::optional<NSAppleEventDescriptor> iTunesScriptHandler::callHandler(const QString& handler,
                                                                       const QVariantList& parameters) {
    NSAppleEventDescriptor list = NSAppleEventDescriptor::listDescriptor();
    int number = 0;
    for (const QVariant& parameter : parameters) {
        ++number;
        const int type = parameter.metaType().id();
        if (type == QMetaType::Int || type == QMetaType::UInt || type == QMetaType::LongLong ||
            type == QMetaType::ULongLong || type == QMetaType::Double || type == QMetaType::Bool) {
            list.insertDescriptor(NSAppleEventDescriptor::descriptorWithInt32(int32_t(parameter.toLongLong())), number);
        } else if (type == QMetaType::QString) {
            list.insertDescriptor(NSAppleEventDescriptor::descriptorWithString(parameter.toString()), number);
        } else if (type == qMetaTypeId<NSAppleEventDescriptor>()) {
            list.insertDescriptor(parameter.value<NSAppleEventDescriptor>(), number);
        } else {
            qCWarning(lcTransfer,
                      "unrecognized parameter type for parameter %d in callHandler:withParameters:", number);
            return std::nullopt;
        }
    }
    return callScript(handler, list);
}

std::optional<NSAppleEventDescriptor> iTunesScriptHandler::callScript(
    const QString& handler, const std::optional<NSAppleEventDescriptor>& parameters) {
    ScriptSubroutineEvent event;
    event.subroutineName = handler.toLower();
    event.directObject = parameters.value_or(NSAppleEventDescriptor::listDescriptor());
    if (eventSent) eventSent(event);

    QStringList arguments{event.subroutineName};
    arguments << event.directObject.listOfStringsToArray();
    QString number, message;
    {
        std::lock_guard<std::mutex> lock(calls_);
        if (!QFileInfo(script_).isExecutable()) {
            // Without the script there is no error number to give.
            message = QStringLiteral("The script %1 cannot be loaded.").arg(script_);
        } else {
            QProcess process;
            process.setProgram(script_);
            process.setArguments(arguments);
            process.start();
            if (!process.waitForFinished(60000)) {
                process.kill();
                process.waitForFinished();
                number = QStringLiteral("-1712");
                message = QStringLiteral("The script did not answer in time.");
            } else if (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0) {
                NSAppleEventDescriptor reply = NSAppleEventDescriptor::listDescriptor();
                const QStringList lines =
                    QString::fromUtf8(process.readAllStandardOutput()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
                for (const QString& line : lines)
                    reply.insertDescriptor(NSAppleEventDescriptor::descriptorWithString(line),
                                           reply.numberOfItems() + 1);
                return reply;
            } else {
                // The script's error information: "<number>: <brief message>".
                const QString error =
                    QString::fromUtf8(process.readAllStandardError()).section(QLatin1Char('\n'), 0, 0);
                const qsizetype colon = error.indexOf(QLatin1Char(':'));
                number = colon > 0 ? error.left(colon).trimmed() : QString();
                message = colon > 0 ? error.mid(colon + 1).trimmed() : error.trimmed();
                if (message.isEmpty()) message = QStringLiteral("The script ended without an answer.");
            }
        }
    }
    const QString joined = parameters ? parameters->listOfStringsToArray().join(QStringLiteral(", ")) : QString();
    showError(QStringLiteral("Error %1 occured the %2(%3) call: %4").arg(number, handler, joined, message));
    return std::nullopt;
}

std::optional<NSAppleEventDescriptor> iTunesScriptHandler::hideWindow() {
    return callHandler(QStringLiteral("HideWindow"), {});
}

std::optional<NSAppleEventDescriptor> iTunesScriptHandler::addNewPlaylist(const QString& name) {
    return callHandler(QStringLiteral("AddNewPlaylist"), {name});
}

std::optional<NSAppleEventDescriptor> iTunesScriptHandler::deletePlaylist(const QString& name) {
    return callHandler(QStringLiteral("deletePlaylist"), {name});
}

QStringList iTunesScriptHandler::getAllPlaylist() {
    const std::optional<NSAppleEventDescriptor> reply = callHandler(QStringLiteral("GetAllPlaylist"), {});
    return reply ? reply->listOfStringsToArray() : QStringList();
}

std::optional<NSAppleEventDescriptor> iTunesScriptHandler::addNewFile(const QString& path, const QString& playlist) {
    return callHandler(QStringLiteral("AddNewFile"), {path, playlist});
}

std::optional<NSAppleEventDescriptor> iTunesScriptHandler::quit() {
    return callHandler(QStringLiteral("QuitWindow"), {});
}
