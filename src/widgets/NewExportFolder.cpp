#include "widgets/NewExportFolder.h"

#include "platform/Dialogs.h"
#include "platform/NewFile.h"

#include <QCoreApplication>

QString makeNewExportFolder(QWidget* window, const QString& chosen) {
    const files::Outcome made = files::makeNewFolder(chosen.toStdString());
    if (made.ok()) return QString::fromStdString(made.path);
    AlertRequest alert;
    alert.messageText = QCoreApplication::translate("Localizable", "The export folder could not be made.");
    alert.informativeText = chosen + QLatin1Char('\n') + QString::fromStdString(made.reason);
    alert.window = window;
    dialogs::runAlert(alert);
    return {};
}
