// One logging category per subsystem, so that a log line says where it came from and a user
// can quiet or raise one subsystem with QT_LOGGING_RULES ("quillomatrix.carve.debug=false").
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcPlatform)
Q_DECLARE_LOGGING_CATEGORY(lcDevice)
Q_DECLARE_LOGGING_CATEGORY(lcModel)
Q_DECLARE_LOGGING_CATEGORY(lcBackup)
Q_DECLARE_LOGGING_CATEGORY(lcCarve)
Q_DECLARE_LOGGING_CATEGORY(lcExport)
Q_DECLARE_LOGGING_CATEGORY(lcWidgets)
Q_DECLARE_LOGGING_CATEGORY(lcApp)
Q_DECLARE_LOGGING_CATEGORY(lcClean)
Q_DECLARE_LOGGING_CATEGORY(lcDisk)
Q_DECLARE_LOGGING_CATEGORY(lcBrowser)
Q_DECLARE_LOGGING_CATEGORY(lcTransfer)
