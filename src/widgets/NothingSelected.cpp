#include "widgets/NothingSelected.h"

#include "platform/Dialogs.h"

#include <QCoreApplication>

void tellWhatToSelect(QWidget* window, const QString& whatToSelect) {
    AlertRequest alert;
    alert.messageText = QCoreApplication::translate("Localizable", "Nothing is selected.");
    alert.informativeText = whatToSelect;
    alert.style = AlertRequest::Style::Informational;
    alert.window = window;
    dialogs::runAlert(alert);
}
