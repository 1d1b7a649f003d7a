#include "platform/LogCategories.h"

Q_LOGGING_CATEGORY(lcPlatform, "quillomatrix.platform")
Q_LOGGING_CATEGORY(lcDevice, "quillomatrix.device")
Q_LOGGING_CATEGORY(lcModel, "quillomatrix.model")
Q_LOGGING_CATEGORY(lcBackup, "quillomatrix.backup")
Q_LOGGING_CATEGORY(lcCarve, "quillomatrix.carve")
Q_LOGGING_CATEGORY(lcExport, "quillomatrix.export")
Q_LOGGING_CATEGORY(lcWidgets, "quillomatrix.widgets")
Q_LOGGING_CATEGORY(lcApp, "quillomatrix.app")
Q_LOGGING_CATEGORY(lcClean, "quillomatrix.clean")
Q_LOGGING_CATEGORY(lcDisk, "quillomatrix.disk")
Q_LOGGING_CATEGORY(lcBrowser, "quillomatrix.browser")
Q_LOGGING_CATEGORY(lcTransfer, "quillomatrix.transfer")
