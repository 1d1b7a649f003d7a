#include "platform/Dialogs.h"

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QPointer>
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

namespace {

// Gives the keys back to the widget that had them when a dialog opened, once it has closed:
// without a window manager to do it, the window would stay without focus, and a page's
// shortcuts would do nothing until a click.
class FocusKeeper {
public:
    FocusKeeper() : widget_(QApplication::focusWidget()) {}
    ~FocusKeeper() {
        if (!widget_ || !widget_->isVisible()) return;
        widget_->activateWindow();
        widget_->setFocus(Qt::OtherFocusReason);
    }

private:
    QPointer<QWidget> widget_;
};

}  // namespace

namespace dialogs {

void setResponder(DialogResponder* responder) { g_responder = responder; }
DialogResponder* responder() { return g_responder; }

int runAlert(const AlertRequest& request) {
    if (g_responder) return g_responder->answerAlert(request);
    const FocusKeeper focus;
    QMessageBox box(request.window);
    box.setIcon(iconFor(request.style));
    // The texts name device files and records: shown as the text they are, never as markup.
    box.setTextFormat(Qt::PlainText);
    box.setText(request.messageText);
    box.setInformativeText(request.informativeText);
    box.setTextInteractionFlags(Qt::TextSelectableByMouse);  // a path or an address can be copied
    if (request.window) box.setWindowModality(Qt::WindowModal);
    const QStringList buttons = request.buttons.isEmpty() ? QStringList{"OK"} : request.buttons;
    QList<QAbstractButton*> made;
    const int cancel = buttons.size() > 1 && request.cancelButton < buttons.size() ? request.cancelButton : 0;
    for (int i = 0; i < buttons.size(); ++i) {
        const auto role = i == cancel ? QMessageBox::RejectRole
                          : i == 0    ? QMessageBox::AcceptRole
                                      : QMessageBox::ActionRole;
        QPushButton* b = box.addButton(buttons[i], role);
        made << b;
    }
    const int defaultIndex =
        request.defaultButton >= 0 && request.defaultButton < buttons.size() ? request.defaultButton : 0;
    box.setDefaultButton(static_cast<QPushButton*>(made[defaultIndex]));
    box.setEscapeButton(made[cancel]);
    box.exec();
    int index = made.indexOf(box.clickedButton());
    if (index < 0) index = cancel;  // closed: the cancelling answer
    return NSAlertFirstButtonReturn + index;
}

namespace {

// Where the next panel without a folder of its own starts: the folder of the last choice made
// in a save panel, at first the user's home (a save panel at "/" offers a folder nobody may
// write in).
QString& lastSaveFolder() {
    static QString folder;
    return folder;
}

QStringList answered(const PanelRequest& request) {
    if (g_responder) return g_responder->answerPanel(request);
    const FocusKeeper focus;
    QFileDialog panel(request.window, request.title, request.directory);
    if (!request.message.isEmpty()) panel.setLabelText(QFileDialog::Accept, request.message);
    if (request.kind == PanelRequest::Kind::Save) {
        panel.setAcceptMode(QFileDialog::AcceptSave);
        panel.setFileMode(QFileDialog::AnyFile);
        // Nothing saved replaces what is there: a taken name gets a numbered one beside it, which
        // the action's closing line names. Asking "Do you want to replace it?" would promise
        // what is not done.
        panel.setOption(QFileDialog::DontConfirmOverwrite, true);
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

}  // namespace

QStringList runPanel(const PanelRequest& asked) {
    PanelRequest request = asked;
    if (request.directory.isEmpty())
        request.directory =
            QDir(lastSaveFolder()).exists() && !lastSaveFolder().isEmpty() ? lastSaveFolder() : QDir::homePath();
    const QStringList chosen = answered(request);
    if (request.kind == PanelRequest::Kind::Save && !chosen.isEmpty())
        lastSaveFolder() = QFileInfo(chosen.first()).absolutePath();
    return chosen;
}

QString runPanelForPath(const PanelRequest& request) {
    const QStringList chosen = runPanel(request);
    return chosen.isEmpty() ? QString() : chosen.first();
}

}  // namespace dialogs
