// The clean page itself: its panes, outlines, tables and context menus.
#include "clean/PRCleanViewController.h"

#include "app/core/AppState.h"
#include "clean/core/AdCacheScan.h"
#include "platform/NotificationCenter.h"

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
    table->horizontalHeader()->setStretchLastSection(true);
    table->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    table->horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    table->setColumnWidth(0, 260);
    table->setColumnWidth(1, 90);
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
    NSNotificationCenter::defaultCenter().addObserver(
        this, "MyAppCleanbuttonMouseDown", [this](const NSNotification& n) { MyAppCleanbuttonMouseDownHandle(n); });
}

PRCleanViewController::~PRCleanViewController() {
    endWorkersOf(this, {&pool_, &scans_});
    NSNotificationCenter::defaultCenter().removeObserver(this);
    for (QMenu* menu : {cacheMenu, junkMenu, cookieMenu, cacheDirMenu, junkDirMenu, cookieDirMenu, syncedMenu}) delete menu;
    delete view_;
}

PRCleanViewController::TreeViews PRCleanViewController::viewsOf(Category category) const {
    switch (category) {
    case Category::Junk:
        return {category, "Junk", "CleanJunkFilesSize", JunkTreeController, JunkFileController, JunkOutlineView,
                junkFileTableView};
    case Category::Cookie:
        return {category, "Cook", "CleanCookFilesSize", CookTreeController, CookFileController, CookOutlineView,
                cookieTableView};
    case Category::Cache:
    case Category::Document: break;
    }
    return {Category::Cache, "Cache", "CleanCacheFilesSize", CacheTreeController, CacheFileController, CacheOutlineView,
            cacheFileTableView};
}

QWidget* PRCleanViewController::view() {
    if (!view_) buildView();
    return view_;
}

QWidget* PRCleanViewController::buildTreePane(PRAppTreeController*& tree,
                                              PRAppFileController*& files, QTreeView*& outline, QTableView*& table) {
    auto* pane = new QWidget;
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* split = new QSplitter(Qt::Horizontal, pane);
    outline = new QTreeView;
    outline->setModel(tree);
    styleItemView(outline);
    outline->setIconSize(QSize(18, 18));
    outline->setHeaderHidden(false);
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

    cleanMainView = new QLabel(tr("Scan your device to find temporary files, caches, cookies and failed sync leftovers."));
    static_cast<QLabel*>(cleanMainView)->setAlignment(Qt::AlignCenter);
    cleanJunkView = buildTreePane(JunkTreeController, JunkFileController, JunkOutlineView, junkFileTableView);
    cleanCacheview =
        buildTreePane(CacheTreeController, CacheFileController, CacheOutlineView, cacheFileTableView);
    cleanCookView = buildTreePane(CookTreeController, CookFileController, CookOutlineView, cookieTableView);

    cleanMediaView = new QWidget;
    auto* mediaLayout = new QVBoxLayout(cleanMediaView);
    mediaLayout->setContentsMargins(0, 0, 0, 0);
    syncFailedTableView = makeTable(syncFailedController);
    syncFailedTableView->setColumnWidth(0, 420);
    mediaLayout->addWidget(syncFailedTableView);
    connect(syncFailedTableView, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (QMenu* menu = prepareContextMenu(syncFailedTableView, pos))
            menu->popup(syncFailedTableView->viewport()->mapToGlobal(pos));
    });

    for (QWidget* pane : {cleanMainView, cleanJunkView, cleanCacheview, cleanCookView, cleanMediaView})
        layout->addWidget(pane);
    buildAppCleanPanes(layout);

    const QString remove = tr("Remove"), removeAll = tr("Remove All"), exportToMac = tr("Export to Mac");
    cacheMenu = makeMenu(this, {{remove, [this] { CleanCacheFile(); }}, {exportToMac, [this] { ExportTheCacheFileToMac(); }}});
    junkMenu = makeMenu(this, {{remove, [this] { CleanJunkFile(); }}, {exportToMac, [this] { ExportTheJunkFiletoMac(); }}});
    cookieMenu =
        makeMenu(this, {{remove, [this] { CleanCookieFile(); }}, {exportToMac, [this] { ExportTheCookieFiletoMac(); }}});
    cacheDirMenu = makeMenu(this, {{remove, [this] { cleanCacheDirFile(); }},
                                   {removeAll, [this] { cleanAllCacheFiles(); }},
                                   {exportToMac, [this] { ExportCacheFilesToMac(); }}});
    junkDirMenu = makeMenu(this, {{remove, [this] { CleanJunkDirFile(); }},
                                  {removeAll, [this] { CleanAllJunkFiles(); }},
                                  {exportToMac, [this] { ExportJunkFilestoMac(); }}});
    cookieDirMenu = makeMenu(this, {{remove, [this] { CleanCookieDirFile(); }},
                                    {removeAll, [this] { CleanAllCookieFiles(); }},
                                    {exportToMac, [this] { ExportCookieFilestoMac(); }}});
    syncedMenu = makeMenu(this, {{remove, [this] { CleanSyncedMediaFile(); }},
                                 {removeAll, [this] { CleanAllSyncedMediaFile(); }},
                                 {exportToMac, [this] { ExportTheSyncedFiletoMac(); }}});
    view_ = page;
    showPane(cleanJunkView);
}

std::vector<QWidget*> PRCleanViewController::allPanes() const {
    return {cleanMainView,       cleanJunkView,      cleanCacheview,         cleanCookView,
            cleanMediaView,      cleanDiskView,      cleanCacheTableView,    cleanDocumentTableView,
            cleanJunkTableView,  cleanCookTableView, cleanAppAdsView};
}

void PRCleanViewController::showPane(QWidget* pane) {
    for (QWidget* p : allPanes())
        if (p) p->setVisible(p == pane);
}

void PRCleanViewController::showCleanMainView() {
    view();
    showPane(cleanMainView);
}
void PRCleanViewController::showCleanJunkView() {
    view();
    showPane(cleanJunkView);
}
void PRCleanViewController::showCleanCacheview() {
    view();
    showPane(cleanCacheview);
}
void PRCleanViewController::showCleanCookView() {
    view();
    showPane(cleanCookView);
}
void PRCleanViewController::showCleanMediaView() {
    view();
    showPane(cleanMediaView);
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
    for (QTreeView* outline : {JunkOutlineView, CacheOutlineView, CookOutlineView})
        if (outline && outline->model()->rowCount() > 0) outline->expand(outline->model()->index(0, 0));
}

void PRCleanViewController::menuNeedsUpdate(QMenu* menu) {
    const std::pair<QMenu*, QWidget*> pairs[] = {
        {cacheMenu, cacheFileTableView}, {cacheDirMenu, CacheOutlineView}, {junkMenu, junkFileTableView},
        {junkDirMenu, JunkOutlineView},  {cookieMenu, cookieTableView},    {cookieDirMenu, CookOutlineView},
        {syncedMenu, syncFailedTableView}};
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
        {cacheFileTableView, cacheMenu}, {CacheOutlineView, cacheDirMenu}, {junkFileTableView, junkMenu},
        {JunkOutlineView, junkDirMenu},  {cookieTableView, cookieMenu},    {CookOutlineView, cookieDirMenu},
        {syncFailedTableView, syncedMenu}};
    for (const auto& [v, menu] : pairs)
        if (v == view) {
            menuNeedsUpdate(menu);
            return menu;
        }
    return nullptr;
}
