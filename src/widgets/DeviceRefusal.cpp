#include "widgets/DeviceRefusal.h"

#include "appcore/DeviceTie.h"
#include "platform/Dialogs.h"

#include <QObject>
#include <QtDebug>

bool stillOnItsDevice(const DeviceStamp& stamp, QWidget* window) {
    if (stamp.holds()) return true;
    AlertRequest alert;
    alert.messageText = DeviceTie::refusal();
    alert.window = window;
    qInfo().noquote() << alert.messageText;
    dialogs::runAlert(alert);
    return false;
}

QString endedOnItsDevice(const QString& summary, const DeviceStamp& stamp) {
    if (stamp.holds()) return summary;
    return QObject::tr("%1. The device was disconnected before it ended.").arg(summary);
}
