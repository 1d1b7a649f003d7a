// The app cleaner's four lists (documents, caches, cookies, temporary files): opening one,
// copying the selected files to the Mac, removing the selected files or all of them. The rows
// are read on the main thread; the device work runs on the page's workers; the lists and
// counters change afterwards by what the device really did.
#include "appcore/AppState.h"
#include "clean/DeviceBoundAction.h"
#include "clean/PRCleanViewController.h"
#include "model/PRRecordFields.h"
#include "platform/Counted.h"
#include "platform/Threads.h"
#include "widgets/BulkRemovalConfirmation.h"
#include "widgets/ColumnFit.h"
#include "widgets/PRProgressView.h"

#include <QApplication>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <QtDebug>

using clean::Category;

namespace {

clean::DeviceFileRef refOfRow(const PRCleanDirNode& row) {
    clean::DeviceFileRef ref;
    ref.filePath = row.filePath;
    ref.appBundleName = row.appBundleName;
    ref.size = row.fileSizeNumber;
    return ref;
}

QPushButton* paneButton(QWidget* parent, const QString& title) {
    auto* button = new QPushButton(title, parent);
    button->setFont(QFont("Lucida Grande", 11));
    button->setMinimumWidth(96);
    return button;
}

}  // namespace

QString PRCleanViewController::appDataFolder() { return AppState::exportFolder() + QStringLiteral("/AppData"); }

QWidget* PRCleanViewController::buildAppCleanListPane(Category category) {
    QTableView** table;
    QLabel** info;
    QProgressBar** progress;
    QPushButton **exportBtn, **removeBtn, **removeAllBtn;
    PRAppFileController* controller;
    QString title;
    switch (category) {
    case Category::Document:
        table = &appClean_.cleanDocumentFileTableview, info = &appClean_.documentFileInfolab,
        progress = &appClean_.documentProgressor;
        exportBtn = &appClean_.documentExportBtn, removeBtn = &appClean_.documentRemoveBtn,
        removeAllBtn = &appClean_.documentRemoveAllBtn;
        controller = cleanDocumentController, title = tr("Documents");
        break;
    case Category::Cookie:
        table = &appClean_.cleanCookieFileTableView, info = &appClean_.cookFileInfolab,
        progress = &appClean_.cookProgressor;
        exportBtn = &appClean_.cookExportBtn, removeBtn = &appClean_.cookRemoveBtn,
        removeAllBtn = &appClean_.cookRemoveAllBtn;
        controller = cleanCookController, title = tr("App Cookies");
        break;
    case Category::Junk:
        table = &appClean_.cleanJunkFileTableView, info = &appClean_.junkFileInfolab,
        progress = &appClean_.junkProgressor;
        exportBtn = &appClean_.junkExportBtn, removeBtn = &appClean_.junkRemoveBtn,
        removeAllBtn = &appClean_.junkRemoveAllBtn;
        controller = cleanJunkController, title = tr("Temporary Files");
        break;
    case Category::Cache:
    default:
        table = &appClean_.cleanCacheFileTableView, info = &appClean_.cacheFileInfolab,
        progress = &appClean_.cacheProgressor;
        exportBtn = &appClean_.cacheExportBtn, removeBtn = &appClean_.cacheRemoveBtn,
        removeAllBtn = &appClean_.cacheRemoveAllBtn;
        controller = cleanCacheFileController, title = tr("App Caches");
        break;
    }

    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->addWidget(headerBand(pane, title));

    auto* view = new QTableView(pane);
    view->setModel(controller);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setAlternatingRowColors(true);
    view->setFont(QFont("Lucida Grande", 11));
    view->verticalHeader()->hide();
    columnfit::fitColumns(view);
    layout->addWidget(view, 1);

    auto* bottom = new QHBoxLayout;
    auto* back = paneButton(pane, tr("Back"));
    connect(back, &QPushButton::clicked, this, [this] { cacheFileBackAction(); });
    bottom->addWidget(back);
    *info = new QLabel(pane);
    (*info)->setFont(QFont("Lucida Grande", 11));
    bottom->addWidget(*info, 1);
    *progress = new QProgressBar(pane);
    (*progress)->setRange(0, 100);
    (*progress)->setTextVisible(false);
    (*progress)->hide();
    bottom->addWidget(*progress, 1);
    // The export is one of the row's actions: it looks like its neighbours.
    *exportBtn = paneButton(pane, tr("Export"));
    *removeBtn = paneButton(pane, tr("Remove"));
    *removeAllBtn = paneButton(pane, tr("Remove All"));
    for (QPushButton* b : {*exportBtn, *removeBtn, *removeAllBtn}) bottom->addWidget(b);
    layout->addLayout(bottom);
    *table = view;

    connect(*exportBtn, &QPushButton::clicked, this, [this, category] { exportSelectedAppCleanRows(category); });
    connect(*removeBtn, &QPushButton::clicked, this, [this, category] { removeSelectedAppCleanRows(category); });
    connect(*removeAllBtn, &QPushButton::clicked, this, [this, category] { removeAllAppCleanRows(category); });
    return pane;
}

// ---- Open --------------------------------------------------------------------------------------

void PRCleanViewController::openAppCleanList(Category category) {
    view();
    const AppCleanCategory v = appCategory(category);
    showPane(v.pane);
    v.table->clearSelection();
    v.infoLabel->setText(tr("Files Found: %1 in  %2 file(s)")
                             .arg(v.sizeLabel->text())
                             .arg(qulonglong(appCounters_.numberOf(category).load())));
}

void PRCleanViewController::ClickDocumentFileAction(QObject*) { openAppCleanList(Category::Document); }
void PRCleanViewController::ClickCacheFileAction(QObject*) { openAppCleanList(Category::Cache); }
void PRCleanViewController::ClickCookieFileAction(QObject*) { openAppCleanList(Category::Cookie); }
void PRCleanViewController::ClickJunkFileAction(QObject*) { openAppCleanList(Category::Junk); }

std::vector<PRCleanDirNodePtr> PRCleanViewController::selectedAppCleanRows(Category category) const {
    const AppCleanCategory v = appCategory(category);
    std::vector<PRCleanDirNodePtr> rows;
    if (!v.table || !v.table->selectionModel()) return rows;
    QModelIndexList selected = v.table->selectionModel()->selectedRows();
    std::sort(selected.begin(), selected.end(),
              [](const QModelIndex& a, const QModelIndex& b) { return a.row() < b.row(); });
    for (const QModelIndex& index : selected)
        if (auto row = std::dynamic_pointer_cast<PRCleanDirNode>(v.controller->objectAt(index.row())))
            rows.push_back(row);
    return rows;
}

// ---- Export -------------------------------------------------------------------------------------

void PRCleanViewController::exportSelectedAppCleanRows(Category category) {
    const std::vector<PRCleanDirNodePtr> rows = selectedAppCleanRows(category);
    if (rows.empty()) return;
    const QString folder = appDataFolder();
    if (!QDir().mkpath(folder)) {
        showFailure(tr("The folder %1 could not be made.").arg(folder));
        return;
    }
    auto batch = startBatch(tr("Some files could not be copied from the device."));
    batch->remaining = int(rows.size());
    batch->exportedTo = folder;
    for (const auto& row : rows) {
        // Each app's files under a folder of their own, at their place in its container, so that
        // files of one name from two apps or two folders never overwrite each other.
        const QString containerFolder = row->filePath.left(std::max<qsizetype>(0, row->filePath.lastIndexOf('/')));
        const QString target = clean::localPathUnder(
            folder + QLatin1Char('/') + clean::safeLocalName(row->appBundleName), containerFolder);
        pool_.enqueue([this, stamp = tie_.stamp(), ref = refOfRow(*row), target, batch] {
            const clean::ActionResult result = clean::onItsDevice(stamp, [&](int device) {
                return clean::JunkFileActions(services_, device).actExportTheNode(ref, target);
            });
            performOnMainThread(
                this, [=, this] { finishJob(batch, result); }, true);
        });
    }
}

void PRCleanViewController::ExportTheCleanDocumentNode(QObject*) { exportSelectedAppCleanRows(Category::Document); }
void PRCleanViewController::ExportTheCleanCacheNode(QObject*) { exportSelectedAppCleanRows(Category::Cache); }
void PRCleanViewController::ExportTheCleanCookNode(QObject*) { exportSelectedAppCleanRows(Category::Cookie); }
void PRCleanViewController::ExportTheCleanJunkNode(QObject*) { exportSelectedAppCleanRows(Category::Junk); }

// ---- Remove the selected files ------------------------------------------------------------------

void PRCleanViewController::removeSelectedAppCleanRows(Category category) {
    const std::vector<PRCleanDirNodePtr> rows = selectedAppCleanRows(category);
    if (rows.empty()) return;
    std::vector<clean::DeviceFileRef> refs;
    uint64_t bytes = 0;
    for (const auto& row : rows) {
        refs.push_back(refOfRow(*row));
        bytes += refs.back().size;
    }
    if (!confirmRemoval(refs.size(), bytes)) return;
    // Nothing stays chosen: a second click, while this removal runs or after it, removes nothing.
    appCategory(category).table->clearSelection();
    auto batch = startBatch(tr("Some files could not be removed from the device."));
    batch->remaining = 1;
    pool_.enqueue([this, stamp = tie_.stamp(), refs, rows, category, batch] {
        std::vector<bool> removed;
        const clean::ActionResult result = clean::onItsDevice(
            stamp, [&](int device) { return clean::JunkFileActions(services_, device).actRemoveNodes(refs, removed); });
        removed.resize(refs.size(), false);  // a refused action removed none
        performOnMainThread(
            this,
            [=, this] {
                std::vector<PRCleanDirNodePtr> gone;
                for (size_t i = 0; i < rows.size(); ++i)
                    if (removed[i]) gone.push_back(rows[i]);
                appCleanRowsRemoved(category, gone);
                addToRemovedAppBytes(result.bytes);
                const AppCleanCategory v = appCategory(category);
                v.infoLabel->setText(tr("Files Found: %1 in  %2 file(s)")
                                         .arg(v.sizeLabel->text())
                                         .arg(qulonglong(appCounters_.numberOf(category).load())));
                finishJob(batch, result);
            },
            true);
    });
}

void PRCleanViewController::RemoveOneDocumentFile(QObject*) { removeSelectedAppCleanRows(Category::Document); }
void PRCleanViewController::RemoveOneCacheFiles(QObject*) { removeSelectedAppCleanRows(Category::Cache); }
void PRCleanViewController::RemoveOneCookFiles(QObject*) { removeSelectedAppCleanRows(Category::Cookie); }
void PRCleanViewController::RemoveOneJunkFile(QObject*) { removeSelectedAppCleanRows(Category::Junk); }

// ---- Remove all ---------------------------------------------------------------------------------

bool PRCleanViewController::confirmRemoval(size_t files, uint64_t bytes) {
    return confirmBulkRemoval(view_ ? view_->window() : nullptr,
                              tr("%1 will be removed from your device: %2.")
                                  .arg(counted(files, "file", "files"), QString::fromStdString(sizeText(bytes))));
}

void PRCleanViewController::removeAllAppCleanRows(Category category) {
    view();
    const AppCleanCategory v = appCategory(category);
    std::vector<PRCleanDirNodePtr> rows;
    for (const auto& object : v.controller->content())
        if (auto row = std::dynamic_pointer_cast<PRCleanDirNode>(object)) rows.push_back(row);
    std::vector<clean::DeviceFileRef> refs;
    uint64_t bytes = 0;
    for (const auto& row : rows) {
        refs.push_back(refOfRow(*row));
        bytes += refs.back().size;
    }
    if (refs.empty() || !confirmRemoval(refs.size(), bytes)) return;
    v.table->clearSelection();
    v.infoLabel->hide();
    v.progress->setValue(0);
    v.progress->show();
    for (QPushButton* b : {v.exportBtn, v.removeAllBtn, v.removeBtn}) b->setEnabled(false);

    auto end = [this, category, rows](const std::vector<bool>& removed, const clean::ActionResult& result) {
        const AppCleanCategory v = appCategory(category);
        v.progress->hide();
        std::vector<PRCleanDirNodePtr> gone;
        for (size_t i = 0; i < rows.size(); ++i)
            if (removed[i]) gone.push_back(rows[i]);
        appCleanRowsRemoved(category, gone);
        addToRemovedAppBytes(result.bytes);
        v.infoLabel->show();
        if (v.controller->rowCount() == 0) {
            v.infoLabel->setText(tr(v.removedSentence));
            v.controller->setContent({});
            for (QPushButton* b : {v.exportBtn, v.removeBtn, v.removeAllBtn}) b->hide();
            v.sizeLabel->setText(QString::fromStdString(sizeText(0)));
            v.arrowBtn->setEnabled(false);
        } else {
            // What the device refused stays listed, and can be tried again.
            v.infoLabel->setText(tr("Files Found: %1 in  %2 file(s)")
                                     .arg(v.sizeLabel->text())
                                     .arg(qulonglong(appCounters_.numberOf(category).load())));
            for (QPushButton* b : {v.exportBtn, v.removeAllBtn, v.removeBtn}) b->setEnabled(true);
            showFailure(tr("Some files could not be removed from the device."), result.failureDetail());
        }
    };
    scans_.enqueue([this, stamp = tie_.stamp(), refs, end, category] {
        const size_t n = refs.size();
        int shown = -1;
        std::vector<bool> removed;
        const clean::ActionResult result = clean::onItsDevice(stamp, [&](int device) {
            return clean::JunkFileActions(services_, device).actRemoveNodes(refs, removed, [&](size_t done) {
                const int percent = int((done - 1) * 100 / n);  // the file just handled, counted from 0
                if (percent == shown) return;
                shown = percent;
                performOnMainThread(
                    this,
                    [this, category, percent] {
                        QProgressBar* bar = appCategory(category).progress;
                        bar->setValue(percent < 1 ? 1 : percent);
                    },
                    true);
            });
        });
        removed.resize(refs.size(), false);  // a refused action removed none
        performOnMainThread(
            this, [&] { end(removed, result); }, true);
    });
}

void PRCleanViewController::RemoveAllDocumentFiles(QObject*) { removeAllAppCleanRows(Category::Document); }
void PRCleanViewController::RemoveAllCacheFiles(QObject*) { removeAllAppCleanRows(Category::Cache); }
void PRCleanViewController::RemoveAllCookFiles(QObject*) { removeAllAppCleanRows(Category::Cookie); }
void PRCleanViewController::RemoveAllJunkFiles(QObject*) { removeAllAppCleanRows(Category::Junk); }
