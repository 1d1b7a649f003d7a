#include "transfer/PROneCopyViewController.h"

#include "app/OstrevaneAppDelegate.h"

void PROneCopyViewController::showView(QWidget* host) {
    putInto(host);
    if (OstrevaneAppDelegate* app = OstrevaneAppDelegate::GetAppControllor()) bookExportPath = app->quillomatrixExportPath();
}
