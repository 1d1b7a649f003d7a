// The start-at-login action. The program installs no login item: the action exists so that a
// control may send it, and it neither stores nor changes anything.
#include "app/OstrevaneAppDelegate.h"

void OstrevaneAppDelegate::CheckAutoRunAction(QObject* /*sender*/) {}
