// Pieces the disk pages (disk manager, file browser, large-file finder) share: a table that sorts by the
// model's sort role (bytes for sizes), a label in the pages' font, and the one alert per action
// that names the first failure.
#pragma once

#include "disk/core/ActionResult.h"

#include <QString>

class DeviceStamp;
class QAbstractItemModel;
class QLabel;
class QTableView;
class QWidget;

namespace diskpages {

QLabel* textLabel(QWidget* parent, int size, bool bold = false);
// Puts model behind a sorting proxy in table; rows selected whole, several at once; the columns
// fitted to what they show.
void setUpSortedTable(QTableView* table, QAbstractItemModel* model);
// The source rows of the table's selected rows, in the order shown.
QList<int> selectedSourceRows(const QTableView* table);
// The source row of the table's current row, or -1.
int currentSourceRow(const QTableView* table);
// Shows one alert when result holds failures: what was asked, the first failing path and why.
void alertFailures(QWidget* window, const QString& what, const disk::ActionResult& result);
// The end of an export: the alert naming what failed (when anything did), and the window's result
// line saying how many files went to folder, and that the device went when stamp (the export's
// device) no longer holds.
void exportEnded(QWidget* window, const disk::ActionResult& result, const QString& folder,
                 const DeviceStamp* stamp = nullptr);
// The end of a removal: the alert naming what the device refused (when it refused anything), and
// the window's result line saying how many files went, so that an earlier export's line does not
// stay as if it were the last word.
void removalEnded(QWidget* window, const disk::ActionResult& result);
// The removal confirmation: true for "Deleted", false for "Cancel".
bool confirmRemoval(QWidget* window, const QString& message, const QString& informative);

}  // namespace diskpages
