// The one question before a bulk removal: a modal alert saying what will be removed and how
// much, with the buttons "Deleted" and "Cancel"; Cancel is the default, so Enter deletes nothing.
#pragma once

#include <QString>

class QWidget;

// True when the user chose "Deleted"; Cancel (or closing the alert) changes nothing.
bool confirmBulkRemoval(QWidget* window, const QString& what, const QString& detail = {});
