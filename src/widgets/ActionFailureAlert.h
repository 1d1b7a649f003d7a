// The one alert a page shows when a user action failed: the page's own sentence, and below it,
// on a line of its own, the first failing path and the reason (the device's or the disk's).
#pragma once

#include <QString>
#include <functional>

class QObject;
class QWidget;

// Logs text as it stands and the detail on a line of its own, then shows the alert once the
// current hand-over has returned (so that no worker waits on it), unless page is gone by then.
// window gives the window to run the alert over when it is shown (null: none).
void showActionFailure(QObject* page, std::function<QWidget*()> window, const QString& text, const QString& detail);
