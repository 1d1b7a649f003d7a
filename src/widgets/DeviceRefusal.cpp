#include "widgets/DeviceRefusal.h"

#include "appcore/DeviceTie.h"
#include "platform/Dialogs.h"

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
