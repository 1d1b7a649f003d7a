#include "widgets/BulkRemovalConfirmation.h"

#include "platform/Dialogs.h"

#include <QCoreApplication>

bool confirmBulkRemoval(QWidget* window, const QString& what, const QString& detail) {
    AlertRequest alert;
    alert.messageText = what;
    alert.informativeText = detail;
    alert.buttons = {QCoreApplication::translate("Localizable", "Deleted"),
                     QCoreApplication::translate("Localizable", "Cancel")};
    alert.style = AlertRequest::Style::Warning;
    alert.window = window;
    return dialogs::runAlert(alert.destructive()) == NSAlertFirstButtonReturn;
}
