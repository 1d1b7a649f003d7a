#include "widgets/OpenLink.h"

#include "platform/Dialogs.h"
#include "platform/Workspace.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QGuiApplication>

void openLink(QWidget* window, const QString& url) {
    if (workspace::openURL(url)) return;
    AlertRequest alert;
    alert.messageText = QCoreApplication::translate("Localizable", "The page could not be opened.");
    alert.informativeText =
        QCoreApplication::translate("Localizable",
                                    "No web browser could be started. Open this address in a browser yourself:\n%1")
            .arg(url);
    alert.buttons = {QCoreApplication::translate("Localizable", "Copy Address"),
                     QCoreApplication::translate("Localizable", "OK")};
    alert.style = AlertRequest::Style::Informational;
    alert.window = window;
    if (dialogs::runAlert(alert) == NSAlertFirstButtonReturn)
        if (QClipboard* clipboard = QGuiApplication::clipboard()) clipboard->setText(url);
}
