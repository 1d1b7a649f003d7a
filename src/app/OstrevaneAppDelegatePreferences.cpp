// The delegate's preference actions: the window is PRPreferenceWindow; Apply lands here.
#include "app/OstrevaneAppDelegate.h"

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
    setQuillomatrixExportPath(preferenceWindow_->chosenExportPath());
}
