// The rows of the app cleaner's four lists, one device file each with the app it belongs to:
// cache, document, junk (temporary files) and cookie files. Main thread only.
#pragma once

#include "clean/PRAppFileController.h"

// Columns: name, app (with its icon), size and path.
class PRCleanListController : public PRAppFileController {
    Q_OBJECT
public:
    explicit PRCleanListController(QObject* parent = nullptr);
    QVariant data(const QModelIndex& index, int role) const override;
};

class PRCleanCacheFileController final : public PRCleanListController {
    Q_OBJECT
public:
    using PRCleanListController::PRCleanListController;
};

class PRCleanDocumentController final : public PRCleanListController {
    Q_OBJECT
public:
    using PRCleanListController::PRCleanListController;
};

class PRCleanJunkFileController final : public PRCleanListController {
    Q_OBJECT
public:
    using PRCleanListController::PRCleanListController;
};

class PRCookFileController final : public PRCleanListController {
    Q_OBJECT
public:
    using PRCleanListController::PRCleanListController;
};
