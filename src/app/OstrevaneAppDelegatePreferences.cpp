// The delegate's preference actions: the window is PRPreferenceWindow; Apply lands here.
#include "app/OstrevaneAppDelegate.h"
#include "platform/Dialogs.h"

void OstrevaneAppDelegate::OpenPreferenceWindow(QObject*) { preferenceWindow_->open(); }
void OstrevaneAppDelegate::ClosedPreferenceWindow(QObject*) { preferenceWindow_->hide(); }
void OstrevaneAppDelegate::ActPreferenceGeneral(QObject*) { preferenceWindow_->ActPreferenceGeneral(); }
void OstrevaneAppDelegate::ActPreferenceCleanup(QObject*) { preferenceWindow_->ActPreferenceCleanup(); }
void OstrevaneAppDelegate::ActPreferenceOneClickCopy(QObject*) { preferenceWindow_->ActPreferenceOneClickCopy(); }
void OstrevaneAppDelegate::showPreferenceGeneraView() { preferenceWindow_->showPreferenceGeneraView(); }
void OstrevaneAppDelegate::showPreferenceCleanupView() { preferenceWindow_->showPreferenceCleanupView(); }
void OstrevaneAppDelegate::showPreferenceOneCopyView() { preferenceWindow_->showPreferenceOneCopyView(); }
void OstrevaneAppDelegate::TragTheLimttedAction(QObject*) { preferenceWindow_->TragTheLimttedAction(); }
void OstrevaneAppDelegate::ChangeExportFilePath(QObject*) { preferenceWindow_->ChangeExportFilePath(); }
void OstrevaneAppDelegate::ActCleanUpSchedulAction(QObject*) { preferenceWindow_->ActCleanUpSchedulAction(); }
void OstrevaneAppDelegate::ActOneCopySchedulAction(QObject*) { preferenceWindow_->ActOneCopySchedulAction(); }

void OstrevaneAppDelegate::ResetPreferenceSetting(QObject*) {
    state_.setLargeFileLimit(preferenceWindow_->chosenLargeFileLimit());
    // A folder that cannot be the export folder is refused with its reason; the one before stays,
    // so that no export ever writes into the program's current folder or below "/".
    const QString problem = setQuillomatrixExportPath(preferenceWindow_->chosenExportPath());
    if (problem.isEmpty()) return;
    AlertRequest alert;
    alert.window = preferenceWindow_;
    alert.messageText = QStringLiteral("The export folder was not changed.");
    alert.informativeText = problem;
    alert.style = AlertRequest::Style::Warning;
    dialogs::runAlert(alert);
}
