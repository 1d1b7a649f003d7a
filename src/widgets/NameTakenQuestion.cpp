#include "widgets/NameTakenQuestion.h"

#include "platform/Dialogs.h"

#include <QCoreApplication>
#include <QFileInfo>

std::optional<amd::NameTaken> askWhenNameTaken(QWidget* window, const QString& name) {
    auto tr = [](const char* text) { return QCoreApplication::translate("Localizable", text); };
    AlertRequest alert;
    alert.messageText = tr("An item named \"%1\" already exists in this location on the device.").arg(name);
    alert.informativeText = tr("Do you want to replace it with the one you are adding, or keep both?");
    alert.buttons = {tr("Replace"), tr("Keep Both"), tr("Cancel")};
    alert.cancelButton = 2;
    alert.defaultButton = 2;
    alert.window = window;
    switch (dialogs::runAlert(alert)) {
    case NSAlertFirstButtonReturn: return amd::NameTaken::Replace;
    case NSAlertSecondButtonReturn: return amd::NameTaken::KeepBoth;
    default: return std::nullopt;
    }
}

std::vector<std::pair<QString, amd::NameTaken>> askForTakenNames(QWidget* window, const QStringList& files,
                                                                 const std::function<bool(const QString&)>& isTaken) {
    std::vector<std::pair<QString, amd::NameTaken>> answers;
    for (const QString& file : files) {
        amd::NameTaken taken = amd::NameTaken::Refuse;
        if (isTaken(file)) {
            const std::optional<amd::NameTaken> answer = askWhenNameTaken(window, QFileInfo(file).fileName());
            if (!answer) continue;
            taken = *answer;
        }
        answers.emplace_back(file, taken);
    }
    return answers;
}
