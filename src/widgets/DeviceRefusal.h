// The alert of an action refused because the results it would act on came from a device that
// is no longer the one attached.
#pragma once

#include <QString>

class DeviceStamp;
class QWidget;

// True when stamp still holds, so the action may run; otherwise the alert over window says that
// nothing was done, and false.
bool stillOnItsDevice(const DeviceStamp& stamp, QWidget* window);

// The closing line of an action that ran on stamp's device: summary, and when that device went
// before the action ended, that it did (the page changing alone does not tell it).
QString endedOnItsDevice(const QString& summary, const DeviceStamp& stamp);
