// The alert of an action refused because the results it would act on came from a device that
// is no longer the one attached.
#pragma once

class DeviceStamp;
class QWidget;

// True when stamp still holds, so the action may run; otherwise the alert over window says that
// nothing was done, and false.
bool stillOnItsDevice(const DeviceStamp& stamp, QWidget* window);
