// The clean page itself: its panes, outlines, tables and context menus.
#include "clean/PRCleanViewController.h"

#include "appcore/AppState.h"
#include "clean/core/AdCacheScan.h"
#include "clean/core/CleanNotices.h"
#include "platform/NotificationCenter.h"
#include "widgets/ButtonNotices.h"
#include "widgets/ColumnFit.h"

#include <QAction>
#include <QFont>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QMenu>
#include <QSplitter>
#include <QTableView>
#include <QTreeView>
#include <QVBoxLayout>

using clean::Category;

namespace {

using FileColumn = PRAppFileController::Column;
const std::vector<FileColumn> kFileColumns{FileColumn::FileName, FileColumn::FileSize, FileColumn::FileType};
const std::vector<FileColumn> kSyncColumns{FileColumn::FilePath, FileColumn::FileSize};

void styleItemView(QAbstractItemView* view) {
    view->setFont(QFont("Lucida Grande", 11));
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setEditTriggers(QAbstractItemView::NoEditTriggers);
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    view->setAlternatingRowColors(true);
}

QTableView* makeTable(PRAppFileController* model) {
    auto* table = new QTableView;
    table->setModel(model);
    styleItemView(table);
    table->verticalHeader()->hide();
    columnfit::fitColumns(table);
    return table;
}

QMenu* makeMenu(QObject* owner, const std::vector<std::pair<QString, std::function<void()>>>& items) {
    auto* menu = new QMenu;
    for (const auto& [title, act] : items) QObject::connect(menu->addAction(title), &QAction::triggered, owner, act);
    return menu;
}

}  // namespace

PRCleanViewController::PRCleanViewController(clean::DeviceCleanServices& services, QObject* parent)
    : QObject(parent), services_(services) {
    // Without an application (a tool, a benchmark) nobody reports a removal.
    deviceConnected = [] { return AppState::deviceCountsAsConnected(); };
    JunkTreeController = new PRAppTreeController(this);
    CacheTreeController = new PRAppTreeController(this);
    CookTreeController = new PRAppTreeController(this);
    JunkFileController = new PRAppFileController(kFileColumns, this);
    CacheFileController = new PRAppFileController(kFileColumns, this);
    CookFileController = new PRAppFileController(kFileColumns, this);
    syncFailedController = new PRAppFileController(kSyncColumns, this);
    for (PRAppTreeController* tree : {JunkTreeController, CacheTreeController, CookTreeController})
        tree->setRefreshOutlineHandler([this] { refreshOutlineView(); });
    cleanCacheFileController = new PRCleanCacheFileController(this);
    cleanDocumentController = new PRCleanDocumentController(this);
    cleanJunkController = new PRCleanJunkFileController(this);
    cleanCookController = new PRCookFileController(this);
    adsController = new PRAdsController(this);
    adPlatArray = clean::adPlatformFragments();
    notices::MyAppCleanbuttonMouseDown.observe(NSNotificationCenter::defaultCenter(), this,
                                               [this](const NSNotification& n) { MyAppCleanbuttonMouseDownHandle(n); });
}

PRCleanViewController::~PRCleanViewController() {
    endWorkersOf(this, {&pool_, &scans_});
    NSNotificationCenter::defaultCenter().removeObserver(this);
    for (QMenu* menu : {clean_.cacheMenu, clean_.junkMenu, clean_.cookieMenu, clean_.cacheDirMenu, clean_.junkDirMenu,
                        clean_.cookieDirMenu, clean_.syncedMenu})
        delete menu;
    delete view_;
}

PRCleanViewController::TreeViews PRCleanViewController::viewsOf(Category category) const {
    switch (category) {
    case Category::Junk:
        return {category,
                "Junk",
                &notices::CleanJunkFilesSize,
                JunkTreeController,
                JunkFileController,
                clean_.JunkOutlineView,
                clean_.junkFileTableView};
    case Category::Cookie:
        return {category,
                "Cook",
                &notices::CleanCookFilesSize,
                CookTreeController,
                CookFileController,
                clean_.CookOutlineView,
                clean_.cookieTableView};
    case Category::Cache:
    case Category::Document: break;
    }
    return {Category::Cache,
            "Cache",
            &notices::CleanCacheFilesSize,
            CacheTreeController,
            CacheFileController,
            clean_.CacheOutlineView,
            clean_.cacheFileTableView};
}

QWidget* PRCleanViewController::view() {
    if (!view_) buildView();
    return view_;
}

QWidget* PRCleanViewController::buildTreePane(PRAppTreeController*& tree, PRAppFileController*& files,
                                              QTreeView*& outline, QTableView*& table) {
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* split = new QSplitter(Qt::Horizontal, pane);
    outline = new QTreeView;
    outline->setModel(tree);
    styleItemView(outline);
    outline->setIconSize(QSize(18, 18));
    outline->setHeaderHidden(false);
    columnfit::showWholeNames(outline);
    table = makeTable(files);
    split->addWidget(outline);
    split->addWidget(table);
    split->setStretchFactor(0, 2);
    split->setStretchFactor(1, 3);
    layout->addWidget(split);
    QTreeView* o = outline;
    QTableView* t = table;
    connect(outline->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this, o] { outlineViewSelectionDidChange(o); });
    connect(outline, &QWidget::customContextMenuRequested, this, [this, o](const QPoint& pos) {
        if (QMenu* menu = prepareContextMenu(o, pos)) menu->popup(o->viewport()->mapToGlobal(pos));
    });
    connect(table, &QWidget::customContextMenuRequested, this, [this, t](const QPoint& pos) {
        if (QMenu* menu = prepareContextMenu(t, pos)) menu->popup(t->viewport()->mapToGlobal(pos));
    });
    return pane;
}

void PRCleanViewController::buildView() {
    auto* page = new QWidget;
    page->setObjectName("CleanView");
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);

    clean_.cleanMainView =
        new QLabel(tr("Scan your device to find temporary files, caches, cookies and failed sync leftovers."));
    static_cast<QLabel*>(clean_.cleanMainView)->setAlignment(Qt::AlignCenter);
    static_cast<QLabel*>(clean_.cleanMainView)->setWordWrap(true);
    clean_.cleanJunkView = withJunkHeader(
        JunkPane::Junk,
        buildTreePane(JunkTreeController, JunkFileController, clean_.JunkOutlineView, clean_.junkFileTableView));
    clean_.cleanCacheview = withJunkHeader(
        JunkPane::Cache,
        buildTreePane(CacheTreeController, CacheFileController, clean_.CacheOutlineView, clean_.cacheFileTableView));
    clean_.cleanCookView = withJunkHeader(
        JunkPane::Cookie,
        buildTreePane(CookTreeController, CookFileController, clean_.CookOutlineView, clean_.cookieTableView));

    clean_.syncFailedTableView = makeTable(syncFailedController);
    clean_.syncFailedTableView->setColumnWidth(0, 420);
    clean_.cleanMediaView = withJunkHeader(JunkPane::Sync, clean_.syncFailedTableView);
    connect(clean_.syncFailedTableView, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QMenu* menu = prepareContextMenu(clean_.syncFailedTableView, pos))
            menu->popup(clean_.syncFailedTableView->viewport()->mapToGlobal(pos));
    });

    for (QWidget* pane : {clean_.cleanMainView, clean_.cleanJunkView, clean_.cleanCacheview, clean_.cleanCookView,
                          clean_.cleanMediaView})
        layout->addWidget(pane);
    buildAppCleanPanes(layout);

    const QString remove = tr("Remove"), removeAll = tr("Remove All"), exportToMac = tr("Export to Mac");
    clean_.cacheMenu =
        makeMenu(this, {{remove, [this] { CleanCacheFile(); }}, {exportToMac, [this] { ExportTheCacheFileToMac(); }}});
    clean_.junkMenu =
        makeMenu(this, {{remove, [this] { CleanJunkFile(); }}, {exportToMac, [this] { ExportTheJunkFiletoMac(); }}});
    clean_.cookieMenu = makeMenu(
        this, {{remove, [this] { CleanCookieFile(); }}, {exportToMac, [this] { ExportTheCookieFiletoMac(); }}});
    clean_.cacheDirMenu = makeMenu(this, {{remove, [this] { cleanCacheDirFile(); }},
                                          {removeAll, [this] { cleanAllCacheFiles(); }},
                                          {exportToMac, [this] { ExportCacheFilesToMac(); }}});
    clean_.junkDirMenu = makeMenu(this, {{remove, [this] { CleanJunkDirFile(); }},
                                         {removeAll, [this] { CleanAllJunkFiles(); }},
                                         {exportToMac, [this] { ExportJunkFilestoMac(); }}});
    clean_.cookieDirMenu = makeMenu(this, {{remove, [this] { CleanCookieDirFile(); }},
                                           {removeAll, [this] { CleanAllCookieFiles(); }},
                                           {exportToMac, [this] { ExportCookieFilestoMac(); }}});
    clean_.syncedMenu = makeMenu(this, {{remove, [this] { CleanSyncedMediaFile(); }},
                                        {removeAll, [this] { CleanAllSyncedMediaFile(); }},
                                        {exportToMac, [this] { ExportTheSyncedFiletoMac(); }}});
    view_ = page;
    refreshJunkHints();
    showPane(clean_.cleanJunkView);
}

std::vector<QWidget*> PRCleanViewController::allPanes() const {
    return {clean_.cleanMainView,          clean_.cleanJunkView,
            clean_.cleanCacheview,         clean_.cleanCookView,
            clean_.cleanMediaView,         appClean_.cleanDiskView,
            appClean_.cleanCacheTableView, appClean_.cleanDocumentTableView,
            appClean_.cleanJunkTableView,  appClean_.cleanCookTableView,
            appClean_.cleanAppAdsView};
}

void PRCleanViewController::showPane(QWidget* pane) {
    for (QWidget* p : allPanes())
        if (p) p->setVisible(p == pane);
}

void PRCleanViewController::showCleanMainView() {
    view();
    showPane(clean_.cleanMainView);
}
void PRCleanViewController::showCleanJunkView() {
    view();
    showPane(clean_.cleanJunkView);
    showFoundFiles(Category::Junk);
}
void PRCleanViewController::showCleanCacheview() {
    view();
    showPane(clean_.cleanCacheview);
    showFoundFiles(Category::Cache);
}
void PRCleanViewController::showCleanCookView() {
    view();
    showPane(clean_.cleanCookView);
    showFoundFiles(Category::Cookie);
}

void PRCleanViewController::showFoundFiles(Category category) {
    const TreeViews v = viewsOf(category);
    if (!v.outline || !view_ || !v.outline->isVisibleTo(view_) || v.tree->BRefreshTreeFlag) return;
    if (v.outline->selectionModel()->hasSelection()) return;  // the user's choice stays
    // Depth first, the folders in the order shown: the first that holds files.
    std::vector<QModelIndex> stack;
    for (int r = v.tree->rowCount() - 1; r >= 0; --r) stack.push_back(v.tree->index(r, 0));
    while (!stack.empty()) {
        const QModelIndex at = stack.back();
        stack.pop_back();
        const PRCleanDirNodePtr folder = v.tree->cleanNodeForIndex(at);
        if (folder && !folder->fileChildren().empty()) {
            for (QModelIndex up = at.parent(); up.isValid(); up = up.parent()) v.outline->expand(up);
            v.outline->setCurrentIndex(at);
            v.outline->scrollTo(at);
            return;
        }
        for (int r = v.tree->rowCount(at) - 1; r >= 0; --r) stack.push_back(v.tree->index(r, 0, at));
    }
}

void PRCleanViewController::showCleanMediaView() {
    view();
    showPane(clean_.cleanMediaView);
}

void PRCleanViewController::outlineViewSelectionDidChange(QTreeView* outline) {
    for (Category category : {Category::Junk, Category::Cache, Category::Cookie}) {
        const TreeViews v = viewsOf(category);
        if (v.outline != outline || !outline) continue;
        const QModelIndex selected = outline->currentIndex();
        const bool hasRow = outline->selectionModel()->isSelected(selected) && selected.isValid();
        if (!hasRow || v.tree->BRefreshTreeFlag) return;
        v.files->setContent({});
        if (PRCleanDirNodePtr folder = v.tree->cleanNodeForIndex(selected); folder && !folder->fileChildren().empty()) {
            v.files->addObjects({folder->fileChildren().begin(), folder->fileChildren().end()});
            v.table->clearSelection();
            v.table->viewport()->update();
        }
        return;
    }
}

void PRCleanViewController::refreshOutlineView() {
    for (QTreeView* outline : {clean_.JunkOutlineView, clean_.CacheOutlineView, clean_.CookOutlineView})
        if (outline && outline->model()->rowCount() > 0) outline->expand(outline->model()->index(0, 0));
    // A list on show lists what the scan found as soon as it has found it.
    for (Category category : {Category::Junk, Category::Cache, Category::Cookie}) showFoundFiles(category);
}

void PRCleanViewController::menuNeedsUpdate(QMenu* menu) {
    const std::pair<QMenu*, QWidget*> pairs[] = {
        {clean_.cacheMenu, clean_.cacheFileTableView},  {clean_.cacheDirMenu, clean_.CacheOutlineView},
        {clean_.junkMenu, clean_.junkFileTableView},    {clean_.junkDirMenu, clean_.JunkOutlineView},
        {clean_.cookieMenu, clean_.cookieTableView},    {clean_.cookieDirMenu, clean_.CookOutlineView},
        {clean_.syncedMenu, clean_.syncFailedTableView}};
    for (const auto& [m, v] : pairs) {
        if (m != menu || !m) continue;
        auto it = clickedRow_.find(v);
        const bool onRow = it != clickedRow_.end() && it->second >= 0;
        for (QAction* action : menu->actions()) action->setEnabled(onRow);
        return;
    }
}

QMenu* PRCleanViewController::prepareContextMenu(QWidget* view, const QPoint& pos) {
    auto* itemView = qobject_cast<QAbstractItemView*>(view);
    if (!itemView) return nullptr;
    clickedRow_[view] = itemView->indexAt(pos).row();
    const std::pair<QWidget*, QMenu*> pairs[] = {
        {clean_.cacheFileTableView, clean_.cacheMenu},  {clean_.CacheOutlineView, clean_.cacheDirMenu},
        {clean_.junkFileTableView, clean_.junkMenu},    {clean_.JunkOutlineView, clean_.junkDirMenu},
        {clean_.cookieTableView, clean_.cookieMenu},    {clean_.CookOutlineView, clean_.cookieDirMenu},
        {clean_.syncFailedTableView, clean_.syncedMenu}};
    for (const auto& [v, menu] : pairs)
        if (v == view) {
            menuNeedsUpdate(menu);
            return menu;
        }
    return nullptr;
}
