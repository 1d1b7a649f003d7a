#include "LogCapture.h"

#include <QString>
#include <QtGlobal>
#include <cstring>
#include <mutex>

namespace testsupport {
namespace {

std::mutex mutex;
std::string category;
std::string lines;
QtMessageHandler previous = nullptr;
bool capturing = false;

void collect(QtMsgType type, const QMessageLogContext& context, const QString& message) {
    {
        std::lock_guard lock(mutex);
        if (capturing && context.category && category == context.category) {
            lines += message.toStdString();
            lines += '\n';
            return;
        }
    }
    if (previous) previous(type, context, message);
}

}  // namespace

void captureLog(const char* name) {
    std::lock_guard lock(mutex);
    category = name;
    lines.clear();
    if (!capturing) previous = qInstallMessageHandler(collect);
    capturing = true;
}

std::string capturedLog() {
    std::lock_guard lock(mutex);
    if (capturing) qInstallMessageHandler(previous);
    capturing = false;
    return std::move(lines);
}

}  // namespace testsupport
