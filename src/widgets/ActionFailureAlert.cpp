#include "widgets/ActionFailureAlert.h"

#include "platform/Dialogs.h"

#include <QTimer>
#include <QtDebug>

void showActionFailure(QObject* page, std::function<QWidget*()> window, const QString& text, const QString& detail) {
    qInfo().noquote() << text;
    if (!detail.isEmpty()) qInfo().noquote() << detail;
    QTimer::singleShot(0, page, [window = std::move(window), text, detail] {
        AlertRequest alert;
        alert.messageText = text;
        alert.informativeText = detail;
        alert.window = window ? window() : nullptr;
        dialogs::runAlert(alert);
    });
}
