#include "platform/Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace {
DialogResponder* g_responder = nullptr;

QMessageBox::Icon iconFor(AlertRequest::Style style) {
    switch (style) {
    case AlertRequest::Style::Informational: return QMessageBox::Information;
    case AlertRequest::Style::Critical: return QMessageBox::Critical;
    default: return QMessageBox::Warning;
    }
}
}  // namespace

namespace dialogs {

void setResponder(DialogResponder* responder) { g_responder = responder; }
DialogResponder* responder() { return g_responder; }

int runAlert(const AlertRequest& request) {
    if (g_responder) return g_responder->answerAlert(request);
    QMessageBox box(request.window);
    box.setIcon(iconFor(request.style));
    box.setText(request.messageText);
    box.setInformativeText(request.informativeText);
    if (request.window) box.setWindowModality(Qt::WindowModal);
    const QStringList buttons = request.buttons.isEmpty() ? QStringList{"OK"} : request.buttons;
    QList<QAbstractButton*> made;
    for (int i = 0; i < buttons.size(); ++i) {
        // The first button is the default; the second cancels, as the platform arranges them.
        auto role = i == 0 ? QMessageBox::AcceptRole : i == 1 ? QMessageBox::RejectRole : QMessageBox::DestructiveRole;
        QPushButton* b = box.addButton(buttons[i], role);
        if (i == 0) box.setDefaultButton(b);
        made << b;
    }
    box.exec();
    int index = made.indexOf(box.clickedButton());
    if (index < 0) index = buttons.size() > 1 ? 1 : 0;  // closed: the cancelling answer
    return NSAlertFirstButtonReturn + index;
}

QStringList runPanel(const PanelRequest& request) {
    if (g_responder) return g_responder->answerPanel(request);
    QFileDialog panel(request.window, request.title, request.directory);
    if (!request.message.isEmpty()) panel.setLabelText(QFileDialog::Accept, request.message);
    if (request.kind == PanelRequest::Kind::Save) {
        panel.setAcceptMode(QFileDialog::AcceptSave);
        panel.setFileMode(QFileDialog::AnyFile);
        if (!request.suggestedName.isEmpty()) panel.selectFile(request.suggestedName);
    } else if (request.chooseDirectories && !request.chooseFiles) {
        panel.setFileMode(QFileDialog::Directory);
        panel.setOption(QFileDialog::ShowDirsOnly, true);
    } else {
        panel.setFileMode(request.multipleSelection ? QFileDialog::ExistingFiles : QFileDialog::ExistingFile);
    }
    if (!request.allowedExtensions.isEmpty()) {
        QStringList patterns;
        for (const QString& e : request.allowedExtensions) patterns << "*." + e;
        panel.setNameFilter(patterns.join(' '));
    }
    if (panel.exec() != QDialog::Accepted) return {};
    return panel.selectedFiles();
}

QString runPanelForPath(const PanelRequest& request) {
    const QStringList chosen = runPanel(request);
    return chosen.isEmpty() ? QString() : chosen.first();
}

}  // namespace dialogs
