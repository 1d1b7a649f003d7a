#include "disk/DiskPageParts.h"

#include "appcore/DeviceTie.h"
#include "platform/Counted.h"
#include "platform/Dialogs.h"
#include "widgets/ActionResultLine.h"
#include "widgets/ColumnFit.h"
#include "widgets/DeviceRefusal.h"

#include <QFont>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QSortFilterProxyModel>
#include <QTableView>
#include <algorithm>

namespace diskpages {

QLabel* textLabel(QWidget* parent, int size, bool bold) {
    auto* label = new QLabel(parent);
    label->setFont(QFont("Lucida Grande", size, bold ? QFont::Bold : QFont::Normal));
    return label;
}

void setUpSortedTable(QTableView* table, QAbstractItemModel* model) {
    auto* sorted = new QSortFilterProxyModel(table);
    sorted->setSourceModel(model);
    sorted->setSortRole(Qt::UserRole);
    table->setModel(sorted);
    table->setSortingEnabled(true);
    table->sortByColumn(-1, Qt::AscendingOrder);  // the model's order until a header is clicked
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setAlternatingRowColors(true);
    table->verticalHeader()->hide();
    table->setFont(QFont("Lucida Grande", 11));
    columnfit::fitColumns(table);
}

namespace {
int sourceRow(const QTableView* table, const QModelIndex& index) {
    if (!index.isValid()) return -1;
    auto* proxy = qobject_cast<QSortFilterProxyModel*>(table->model());
    return proxy ? proxy->mapToSource(index).row() : index.row();
}
}  // namespace

QList<int> selectedSourceRows(const QTableView* table) {
    QList<QModelIndex> rows = table->selectionModel() ? table->selectionModel()->selectedRows() : QList<QModelIndex>();
    std::sort(rows.begin(), rows.end(), [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    QList<int> source;
    for (const QModelIndex& index : rows) source << sourceRow(table, index);
    return source;
}

int currentSourceRow(const QTableView* table) { return sourceRow(table, table->currentIndex()); }

void alertFailures(QWidget* window, const QString& what, const disk::ActionResult& result) {
    if (result.ok()) return;
    AlertRequest alert;
    alert.messageText = what;
    QString text = result.failures == 1
                       ? QObject::tr("One file failed:")
                       : counted(result.failures, "file", "files") + QObject::tr(" failed; the first:");
    text += QLatin1Char('\n') + QString::fromStdString(result.firstFailurePath) + QLatin1Char('\n') +
            QString::fromStdString(result.firstFailureReason);
    alert.informativeText = text;
    alert.window = window;
    dialogs::runAlert(alert);
}

bool confirmRemoval(QWidget* window, const QString& message, const QString& informative) {
    AlertRequest alert;
    alert.messageText = message;
    alert.informativeText = informative;
    alert.buttons = {QObject::tr("Deleted"), QObject::tr("Cancel")};
    alert.window = window;
    return dialogs::runAlert(alert.destructive()) == NSAlertFirstButtonReturn;
}

void removalEnded(QWidget* window, const disk::ActionResult& result) {
    alertFailures(window, QObject::tr("Some files could not be deleted."), result);
    tellActionDone(window, outcomeSummary(result.files, result.failures, QObject::tr("removed")), {});
}

void exportEnded(QWidget* window, const disk::ActionResult& result, const QString& folder, const DeviceStamp* stamp) {
    alertFailures(window, QObject::tr("Some files could not be exported."), result);
    if (stamp && !stamp->holds()) {  // the device went while the files were copied
        const QString summary = outcomeSummary(result.files, result.failures, QObject::tr("exported"));
        tellActionDone(window, endedOnItsDevice(summary, *stamp), result.files > 0 ? folder : QString(),
                       result.files > 0);
        return;
    }
    tellExportDone(window, result.files, result.failures, folder);
}

}  // namespace diskpages
