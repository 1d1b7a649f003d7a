// The tabs of the results screen and what acts on the table on show: the deleted-only
// filter, select-all, the search, and the count of marked files.
#include "browser/PRRecordPreviewPane.h"
#include "browser/PRResultTableModels.h"
#include "browser/PRResultViewController.h"
#include "browser/PRSrollThumView.h"
#include "browser/PRTreeController.h"
#include "platform/Counted.h"

#include <QCheckBox>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStackedWidget>
#include <QTableView>
#include <QTreeView>

PRRecordTableModel* PRResultViewController::modelOf(Category category) const {
    switch (category) {
    case BackupFiles: return treeFileController;
    case Photos: return photoController;
    case Contacts: return contactController;
    case Messages: return messageTreeController;
    case CallHistory: return callHistoryController;
    case Notes: return noteController;
    case BookMarks: return bookMarkController;
    case Calendar: return calendarController;
    case FaceTwitter: return faceTwitterController;
    default: return nullptr;
    }
}

QTableView* PRResultViewController::tableOf(Category category) const { return tables_.at(size_t(category)); }

void PRResultViewController::showCategory(Category category) {
    view();
    current_ = category;
    currentTableView = category == Photos ? static_cast<QAbstractItemView*>(thumView) : tableOf(category);
    for (int c = 0; c < CategoryCount; ++c) categoryBtns[c]->setChecked(c == category);
    CustomView->setCurrentWidget(pages_[category]);
    PRRecordTableModel* model = modelOf(category);
    // A tab always opens on every record, whatever the box said on another tab.
    checkBtn->blockSignals(true);
    checkBtn->setChecked(false);
    checkBtn->blockSignals(false);
    searchlab->blockSignals(true);
    searchlab->clear();
    searchlab->blockSignals(false);
    // Rows of a filter or search undone select their first row when they are shown.
    const bool refiltered = model->showEveryRecord();
    checkBtn->setHidden(!model->hasDeletedRecords());
    searchlab->setHidden(!model->searchable());
    selectAllBtn->setHidden(category == BackupFiles);
    selectAllBtn->setChecked(selectAll_[category]);
    fitPreviewPane(category);
    exportBtn->setVisible(category == Messages);
    exportBtn->setEnabled(model->rowCount() > 0);
    setHelpsEnabled(true);
    if (!refiltered || model->rowsPending()) selectFirstRow(category);
    if (category == BackupFiles && treeController->rowCount() > 0) {
        const QModelIndex root = treeController->index(0, 0);
        treeOutlineView->expand(root);
        if (!treeOutlineView->currentIndex().isValid()) treeOutlineView->setCurrentIndex(root);
    }
}

void PRResultViewController::actCheck(bool deletedOnly) {
    PRRecordTableModel* model = modelOf(current_);
    if (!model || !model->hasDeletedRecords()) return;
    model->setDeletedOnly(deletedOnly);
}

void PRResultViewController::ClickSelectAll(bool selected) {
    if (current_ == BackupFiles) return;
    selectAll_[current_] = selected;
    modelOf(current_)->markAll(selected);
    // Select-all speaks of the recovery results; a box checked in a row, of the backup results.
    updateSelectedCount(tr("You select %1 in the recovery results."));
}

void PRResultViewController::search(const QString& text) {
    PRRecordTableModel* model = modelOf(current_);
    if (!model || !model->searchable()) return;
    model->setSearchText(text.trimmed());
}

void PRResultViewController::tableRowsShown(Category category, bool sorted) {
    if (category != current_ || bSelectedNode) return;
    // Other rows (a filter, a search) start at their first one; a sort keeps the selected
    // records selected, and the preview follows the one selected last.
    QAbstractItemView* shown = category == Photos ? static_cast<QAbstractItemView*>(thumView) : tableOf(category);
    if (!sorted || !shown->selectionModel()->hasSelection()) return selectFirstRow(category);
    // A new order is read from its top (the largest, the first by name): the selection stays,
    // out of sight where it went.
    shown->scrollToTop();
    tableViewSelectionDidChange();
}

void PRResultViewController::folderSelected() {
    const PRTreeDirNodePtr folder = treeController->folderAt(treeOutlineView->currentIndex());
    treeFileController->setRecords(folder ? folder->fileChildren() : std::vector<PRTreeFileNodePtr>());
    treetableView->clearSelection();
    if (current_ != BackupFiles) return;
    previewPane->showNothing();
    fitPreviewPane(BackupFiles);
}

uint64_t PRResultViewController::selectedFilesNum() const {
    uint64_t total = intake_ ? intake_->tree.getTreeSelectedItemNum() : 0;
    for (int c = Photos; c < CategoryCount; ++c) total += modelOf(Category(c))->markedCount();
    return total;
}

QString PRResultViewController::markedSummary() const {
    // What each tab's records are called, in the order of the tabs.
    static const char* const kNouns[CategoryCount][2] = {
        {"file", "files"},         {"photo or video", "photos and videos"},
        {"contact", "contacts"},   {"conversation", "conversations"},
        {"call", "calls"},         {"note", "notes"},
        {"bookmark", "bookmarks"}, {"event", "events"},
        {"file", "files"}};
    QStringList parts;
    const uint64_t files = intake_ ? intake_->tree.getTreeSelectedItemNum() : 0;
    if (files > 0) parts << counted(files, kNouns[BackupFiles][0], kNouns[BackupFiles][1]);
    for (int c = Photos; c < CategoryCount; ++c)
        if (const size_t marked = modelOf(Category(c))->markedCount(); marked > 0)
            parts << counted(marked, kNouns[c][0], kNouns[c][1]);
    if (parts.size() < 2) return parts.join(QString());
    const QString last = parts.takeLast();
    return tr("%1 and %2").arg(parts.join(QStringLiteral(", ")), last);
}

void PRResultViewController::updateSelectedCount(const QString& sentence) {
    const uint64_t total = selectedFilesNum();
    selecteFilelab->setText(
        (sentence.isEmpty() ? tr("You select %1 in the backup results.") : sentence).arg(markedSummary()));
    selecteFilelab->setHidden(total == 0);
    saveBtn->setEnabled(total > 0 && !scanning_);
}
