// The app cleaner's panel: its overview of five rows and the start button, the scan that
// fills them (one worker: the file scan, then the advertising scan) and the one-pass removal
// behind its progress sheet.
#include "appcore/AppState.h"
#include "clean/PRCleanViewController.h"
#include "clean/core/AdCacheScan.h"
#include "clean/core/AppCleanScan.h"
#include "model/PRRecordFields.h"
#include "platform/Images.h"
#include "platform/LogCategories.h"
#include "platform/NotificationCenter.h"
#include "platform/Threads.h"
#include "widgets/BulkRemovalConfirmation.h"
#include "widgets/DeviceRefusal.h"
#include "widgets/FlashView.h"
#include "widgets/PRButton.h"
#include "widgets/PRProgressView.h"
#include "widgets/PageHost.h"

#include <QDialog>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>
#include <QtDebug>
#include <unordered_set>

using clean::Category;

namespace {

QString sizeTextOf(uint64_t bytes) { return QString::fromStdString(::sizeText(bytes)); }

// Hands the walk's paths to the page; the tree batches of the device clean are not wanted here.
class PathLabelSink final : public clean::JunkScanSink {
public:
    explicit PathLabelSink(std::function<void(Category, const QString&)> show) : show_(std::move(show)) {}
    void deliver(clean::JunkScanBatch) override {}
    void showFilePath(Category category, const QString& path) override { show_(category, path); }

private:
    std::function<void(Category, const QString&)> show_;
};

// sentence as rich text, with the first occurrence of each piece in colour.
QString colouredSentence(const QString& sentence, const QStringList& pieces, const QColor& colour) {
    struct Span {
        qsizetype at, length;
    };
    std::vector<Span> spans;
    for (const QString& piece : pieces) {
        const qsizetype at = sentence.indexOf(piece);
        if (at >= 0 && !piece.isEmpty()) spans.push_back({at, piece.size()});
    }
    std::sort(spans.begin(), spans.end(), [](const Span& a, const Span& b) { return a.at < b.at; });
    QString html;
    qsizetype from = 0;
    for (const Span& span : spans) {
        if (span.at < from) continue;  // overlapping pieces: the first one wins
        html += sentence.mid(from, span.at - from).toHtmlEscaped();
        html += QStringLiteral("<span style=\"color:%1\">%2</span>")
                    .arg(colour.name(), sentence.mid(span.at, span.length).toHtmlEscaped());
        from = span.at + span.length;
    }
    return html + sentence.mid(from).toHtmlEscaped();
}

void setArrow(QPushButton* button, bool enabled) {
    button->setEnabled(enabled);
    button->setIcon(QPixmap::fromImage(images::imageNamed(enabled ? "arrowright.png" : "arrowrightUnNom.png")));
}

}  // namespace

QLabel* PRCleanViewController::headerBand(QWidget* parent, const QString& caption) {
    auto* band = new QLabel(parent);
    band->setPixmap(QPixmap::fromImage(images::imageNamed("tabHeadImage.png")));
    band->setScaledContents(true);  // both axes, each on its own
    band->setFixedHeight(28);
    band->setMinimumWidth(120);
    band->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);  // as wide as its place, not its picture
    auto* layout = new QHBoxLayout(band);
    layout->setContentsMargins(10, 0, 10, 0);
    auto* text = new QLabel(caption, band);
    text->setFont(QFont("Lucida Grande", 12, QFont::Bold));
    text->setStyleSheet("color: white; background: transparent;");
    layout->addWidget(text);
    return band;
}

// What the one-pass removal acts on, taken from the lists on the main thread.
struct PRCleanViewController::RemovalPlan {
    DeviceStamp stamp;  // the device the rows came from
    std::vector<clean::DeviceFileRef> files;
    std::vector<PRCleanDirNodePtr> rows;  // files[i] is rows[i]
    std::vector<Category> categories;     // and belongs to categories[i]
    size_t cacheRows = 0;
    std::vector<PRAppAdsRemoveNodePtr> ads;  // the scan's records with advertising folders
    std::vector<QString> adBundles;
    std::vector<QStringList> adPaths;
};

struct PRCleanViewController::RemovalOutcome {
    std::vector<bool> removed;  // per file of the plan
    clean::ActionResult files;
    std::vector<clean::AdRemovalResult> ads;  // per record of the plan
};

int PRCleanViewController::GetDocumentFileType(const char* extension) {
    return clean::AppCleanScan::GetDocumentFileType(extension);
}

PRCleanViewController::AppCleanCategory PRCleanViewController::appCategory(Category category) const {
    switch (category) {
    case Category::Document:
        return {category,
                appClean_.cleanDocumentTableView,
                appClean_.cleanDocumentFileTableview,
                cleanDocumentController,
                appClean_.documentFileInfolab,
                appClean_.appDocumentlab,
                appClean_.appDocumentShowFilePathlab,
                appClean_.documentProgressor,
                appClean_.documentExportBtn,
                appClean_.documentRemoveBtn,
                appClean_.documentRemoveAllBtn,
                appClean_.appDocumentBtn,
                appClean_.appDocumentProgress,
                "All document files have been removed."};
    case Category::Cookie:
        return {category,
                appClean_.cleanCookTableView,
                appClean_.cleanCookieFileTableView,
                cleanCookController,
                appClean_.cookFileInfolab,
                appClean_.appCooklab,
                appClean_.appCookShowFilePathlab,
                appClean_.cookProgressor,
                appClean_.cookExportBtn,
                appClean_.cookRemoveBtn,
                appClean_.cookRemoveAllBtn,
                appClean_.appCookBtn,
                appClean_.appCookProgress,
                "All cook files have been removed."};
    case Category::Junk:
        return {category,
                appClean_.cleanJunkTableView,
                appClean_.cleanJunkFileTableView,
                cleanJunkController,
                appClean_.junkFileInfolab,
                appClean_.appJunklab,
                appClean_.appJunkShowFilePathlab,
                appClean_.junkProgressor,
                appClean_.junkExportBtn,
                appClean_.junkRemoveBtn,
                appClean_.junkRemoveAllBtn,
                appClean_.appJunkBtn,
                appClean_.appJunkProgress,
                "All junk files have been removed."};
    case Category::Cache: break;
    }
    return {Category::Cache,
            appClean_.cleanCacheTableView,
            appClean_.cleanCacheFileTableView,
            cleanCacheFileController,
            appClean_.cacheFileInfolab,
            appClean_.appCachelab,
            appClean_.appCacheShowFilePathlab,
            appClean_.cacheProgressor,
            appClean_.cacheExportBtn,
            appClean_.cacheRemoveBtn,
            appClean_.cacheRemoveAllBtn,
            appClean_.appCacheBtn,
            appClean_.appCacheProgress,
            "All cache files have been removed."};
}

// ---- Panes -------------------------------------------------------------------------------------

void PRCleanViewController::buildAppCleanPanes(QLayout* layout) {
    appClean_.cleanDiskView = buildAppCleanOverview();
    appClean_.cleanCacheTableView = buildAppCleanListPane(Category::Cache);
    appClean_.cleanDocumentTableView = buildAppCleanListPane(Category::Document);
    appClean_.cleanJunkTableView = buildAppCleanListPane(Category::Junk);
    appClean_.cleanCookTableView = buildAppCleanListPane(Category::Cookie);
    appClean_.cleanAppAdsView = buildAdsPane();
    for (QWidget* pane : {appClean_.cleanDiskView, appClean_.cleanCacheTableView, appClean_.cleanDocumentTableView,
                          appClean_.cleanJunkTableView, appClean_.cleanCookTableView, appClean_.cleanAppAdsView}) {
        pane->hide();
        layout->addWidget(pane);
    }
}

QWidget* PRCleanViewController::buildAppCleanOverview() {
    auto* pane = new QWidget;
    pane->setObjectName("cleanDiskView");
    auto* layout = new QVBoxLayout(pane);
    layout->setContentsMargins(24, 18, 24, 18);
    layout->setSpacing(10);

    auto* top = new QHBoxLayout;
    auto* title = new QLabel(tr("App Cleaner"), pane);
    title->setFont(QFont("Lucida Grande", 16, QFont::Bold));
    auto* intro = new QLabel(tr("Scan every app for caches, cookies, temporary files, documents and built-in ads, "
                                "then remove them in one pass."),
                             pane);
    intro->setWordWrap(true);
    intro->setFont(QFont("Lucida Grande", 11));
    auto* texts = new QVBoxLayout;
    texts->addWidget(title);
    texts->addWidget(intro);
    appClean_.appCleanResultlab = new QLabel(pane);
    appClean_.appCleanResultlab->setObjectName("appCleanResultlab");
    appClean_.appCleanResultlab->setFont(QFont("Lucida Grande", 11, QFont::Bold));
    appClean_.appCleanResultlab->setWordWrap(true);
    texts->addWidget(appClean_.appCleanResultlab);
    top->addLayout(texts, 1);
    appClean_.appFlashView = new FlashView(pane);
    appClean_.appFlashView->setFixedSize(40, 40);
    appClean_.appFlashView->hide();
    top->addWidget(appClean_.appFlashView, 0, Qt::AlignVCenter);
    appClean_.appStartBtn = new PRAppCleanButton(pane);
    appClean_.appStartBtn->setObjectName("appStartBtn");
    appClean_.appStartBtn->setImageNamed("scanNom.png");
    appClean_.appStartBtn->setFixedSize(150, 48);
    top->addWidget(appClean_.appStartBtn, 0, Qt::AlignVCenter);
    layout->addLayout(top);

    auto* rows = new QGridLayout;
    rows->setHorizontalSpacing(12);
    rows->setVerticalSpacing(14);
    rows->setColumnStretch(2, 3);
    rows->setColumnMinimumWidth(2, 200);
    rows->setColumnStretch(4, 2);
    auto makeRow = [&](int row, const QString& name, QLabel*& image, PRProgressView*& bar, QLabel*& size, QLabel*& path,
                       QPushButton*& arrow) {
        image = headerBand(pane, name);
        image->setFixedWidth(180);
        image->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
        bar = new PRProgressView(pane);
        bar->setFixedHeight(14);
        bar->setMinimumWidth(160);
        size = new QLabel(pane);
        size->setFont(QFont("Lucida Grande", 11));
        size->setMinimumWidth(90);
        path = new QLabel(pane);
        path->setFont(QFont("Lucida Grande", 10));
        path->setMinimumWidth(220);
        arrow = new QPushButton(pane);
        arrow->setFlat(true);
        arrow->setFixedSize(28, 28);
        arrow->setIconSize(QSize(18, 18));
        rows->addWidget(image, row, 0);
        rows->addWidget(bar, row, 2);
        rows->addWidget(size, row, 3);
        rows->addWidget(path, row, 4);
        rows->addWidget(arrow, row, 5);
    };
    makeRow(0, tr("App Caches"), appClean_.appCacheImageView, appClean_.appCacheProgress, appClean_.appCachelab,
            appClean_.appCacheShowFilePathlab, appClean_.appCacheBtn);
    makeRow(1, tr("App Cookies"), appClean_.appCookImageView, appClean_.appCookProgress, appClean_.appCooklab,
            appClean_.appCookShowFilePathlab, appClean_.appCookBtn);
    makeRow(2, tr("Temporary Files"), appClean_.appJunkImageView, appClean_.appJunkProgress, appClean_.appJunklab,
            appClean_.appJunkShowFilePathlab, appClean_.appJunkBtn);
    makeRow(3, tr("Documents"), appClean_.appDocumentImageView, appClean_.appDocumentProgress, appClean_.appDocumentlab,
            appClean_.appDocumentShowFilePathlab, appClean_.appDocumentBtn);
    QLabel* adsImage = nullptr;
    makeRow(4, tr("Built-in Ads"), adsImage, appClean_.adsProgressor, appClean_.appAdslab,
            appClean_.appAdsShowFilePathlab, appClean_.appAdsBtn);
    layout->addLayout(rows);
    layout->addStretch(1);

    connect(appClean_.appCacheBtn, &QPushButton::clicked, this, [this] { ClickCacheFileAction(); });
    connect(appClean_.appCookBtn, &QPushButton::clicked, this, [this] { ClickCookieFileAction(); });
    connect(appClean_.appJunkBtn, &QPushButton::clicked, this, [this] { ClickJunkFileAction(); });
    connect(appClean_.appDocumentBtn, &QPushButton::clicked, this, [this] { ClickDocumentFileAction(); });
    connect(appClean_.appAdsBtn, &QPushButton::clicked, this, [this] { ClickAppAdsFileAction(); });
    for (QPushButton* arrow : {appClean_.appDocumentBtn, appClean_.appCacheBtn, appClean_.appJunkBtn,
                               appClean_.appCookBtn, appClean_.appAdsBtn})
        setArrow(arrow, false);
    for (QLabel* size : {appClean_.appDocumentlab, appClean_.appCachelab, appClean_.appJunklab, appClean_.appCooklab,
                         appClean_.appAdslab})
        size->hide();
    return pane;
}

void PRCleanViewController::buildRemoveWindow() {
    removeSheet_.removeWindow = new QDialog(view_ ? view_->window() : nullptr, Qt::Sheet);
    removeSheet_.removeWindow->setObjectName("removeWindow");
    removeSheet_.removeWindow->setWindowTitle(tr("Cleaning Up"));
    removeSheet_.removeWindow->setWindowModality(Qt::WindowModal);
    removeSheet_.removeWindow->setMinimumWidth(460);
    auto* layout = new QVBoxLayout(removeSheet_.removeWindow);
    layout->setContentsMargins(20, 18, 20, 18);
    removeSheet_.removeNumberlab = new QLabel(removeSheet_.removeWindow);
    removeSheet_.removeNumberlab->setTextFormat(Qt::RichText);
    removeSheet_.removeNumberlab->setWordWrap(true);
    removeSheet_.removeNumberlab->setFont(QFont("Lucida Grande", 11));
    removeSheet_.removeProgress = new QProgressBar(removeSheet_.removeWindow);
    removeSheet_.removeProgress->setRange(0, 100);
    removeSheet_.removeProgress->setTextVisible(false);
    removeSheet_.removeNumberInfolab = new QLabel(removeSheet_.removeWindow);
    removeSheet_.removeNumberInfolab->setFont(QFont("Lucida Grande", 11));
    layout->addWidget(removeSheet_.removeNumberlab);
    layout->addWidget(removeSheet_.removeProgress);
    layout->addWidget(removeSheet_.removeNumberInfolab);
}

void PRCleanViewController::showView(QWidget* container) {
    QWidget* page = view();
    pagehost::place(container, page);
    page->show();
    // The panel as the user left it (idle, scanned or done): its widgets start idle when built.
    showcleanDiskView();
}

void PRCleanViewController::showcleanDiskView() {
    view();
    showPane(appClean_.cleanDiskView);
}
void PRCleanViewController::showCleanCacheTableView() {
    view();
    showPane(appClean_.cleanCacheTableView);
}
void PRCleanViewController::showCleanCookTableView() {
    view();
    showPane(appClean_.cleanCookTableView);
}
void PRCleanViewController::showCleanJunkTableView() {
    view();
    showPane(appClean_.cleanJunkTableView);
}
void PRCleanViewController::showCleanDocumentTableView() {
    view();
    showPane(appClean_.cleanDocumentTableView);
}
void PRCleanViewController::showcleanAppAdsTableView() {
    view();
    showPane(appClean_.cleanAppAdsView);
}

// ---- The start button ------------------------------------------------------------------------

void PRCleanViewController::MyAppCleanbuttonMouseDownHandle(const NSNotification& notification) {
    if (!appClean_.appStartBtn ||
        notification.sender() != static_cast<const void*>(static_cast<PRNotifyingButton*>(appClean_.appStartBtn)))
        return;
    pressStartButton(true);
}

// Sent directly (nothing in the window does), the scan starts its spinner without showing it.
void PRCleanViewController::startScanPhoneApp(QObject*) { pressStartButton(false); }

void PRCleanViewController::pressStartButton(bool showSpinner) {
    view();
    const DeviceStamp stamp = tie_.tieTo(cleanDevice);
    // Until the advertising scan has ended too, a press would remove half of what is found.
    if (bStartCleanScan || adsScanRunning_ || removalStarted_) return;
    if (appCleanDone_) {
        showAppCleanIdle();
        return;
    }
    if (bAppCleanerFinish) {
        if (startButtonSettle_.settled()) startRemoval();
        return;
    }
    totalAdsCount = 0;
    appClean_.appStartBtn->setImageNamed("scanDown.png");
    for (PRProgressView* bar : {appClean_.appCacheProgress, appClean_.appCookProgress, appClean_.appJunkProgress,
                                appClean_.appDocumentProgress, appClean_.adsProgressor})
        bar->setProgressValue(0);
    if (showSpinner) appClean_.appFlashView->show();
    appClean_.appFlashView->startFlash();
    appClean_.appCleanResultlab->clear();
    for (QLabel* path :
         {appClean_.appDocumentShowFilePathlab, appClean_.appCacheShowFilePathlab, appClean_.appJunkShowFilePathlab,
          appClean_.appCookShowFilePathlab, appClean_.appAdsShowFilePathlab}) {
        path->clear();
        path->show();
    }
    // A scan after one the device cut short starts from empty lists.
    appCounters_.reset();
    appLists_.clear();
    adsRemoveArray.clear();
    adsController->setContent({});
    for (Category c : {Category::Cache, Category::Document, Category::Cookie, Category::Junk})
        appCategory(c).controller->setContent({});
    bStartCleanScan = true;
    adsScanRunning_ = true;
    scans_.enqueue([this, stamp] {
        std::lock_guard<std::mutex> turn(deviceScanTurn_);  // after a device clean under way
        const auto onlyItsDevice = stamp.onlyThisDevice();
        startScanPhoneAppThread(stamp);
    });
}

void PRCleanViewController::startScanPhoneAppThread(const DeviceStamp& stamp) {
    PathLabelSink sink([this](Category category, const QString& path) {
        std::lock_guard<std::mutex> lock(pathLabelMutex_);
        pendingPaths_[int(category)] = path;
        if (pathLabelsPosted_) return;
        pathLabelsPosted_ = true;
        performOnMainThread(
            this, [this] { showAppCleanPathLabels(); }, false);
    });
    clean::AppCleanScan::Options options;
    options.deviceIndex = stamp.index();
    options.deviceConnected = [this, stamp] { return connectedNow() && stamp.holds(); };
    options.categoryProgress = [this, stamp](float ratio) {
        onMainForDevice(
            stamp,
            [this, ratio] {
                for (PRProgressView* bar : {appClean_.appCacheProgress, appClean_.appCookProgress,
                                            appClean_.appJunkProgress, appClean_.appDocumentProgress})
                    bar->setProgressValue(ratio);
            },
            false);
    };
    clean::AppCleanScan scan(services_, options, appCounters_, appLists_, sink);
    const clean::AppCleanScan::Outcome outcome = scan.startScanPhoneCache();
    const QString reason = QString::fromStdString(scan.failureReason());
    bool scanAds = false;
    performOnMainThread(
        this,
        [&, this] {
            if (!stamp.holds())
                appCleanScanDropped();
            else if (outcome != clean::AppCleanScan::Outcome::Finished)
                appCleanScanAbortedOnMainThread(reason);
            else {
                startScanPhoneCacheFinishedOnMainThread();
                scanAds = true;
            }
        },
        true);
    if (scanAds) StartScanAppAdsThread(stamp);
}

void PRCleanViewController::appCleanScanDropped() {
    appLists_.clear();
    appCounters_.reset();
    adsRemoveArray.clear();
    totalAdsCount = 0;
    bStartCleanScan = false;
    adsScanRunning_ = false;
}

void PRCleanViewController::showAppCleanPathLabels() {
    QString paths[4];
    {
        std::lock_guard<std::mutex> lock(pathLabelMutex_);
        pathLabelsPosted_ = false;
        for (int i = 0; i < 4; ++i) paths[i].swap(pendingPaths_[i]);
    }
    if (!bStartCleanScan) return;
    for (Category c : {Category::Junk, Category::Cache, Category::Cookie, Category::Document})
        if (!paths[int(c)].isEmpty())
            appCategory(c).pathLabel->setText(clean::AppCleanScan::shortenedPath(paths[int(c)]));
}

void PRCleanViewController::showAppCleanIdle() {
    appCleanDone_ = false;
    bAppCleanerFinish = false;
    appClean_.appFlashView->stopFlash();
    appClean_.appFlashView->hide();
    appClean_.appStartBtn->setEnabled(true);
    appClean_.appStartBtn->setImageNamed("scanNom.png");
    appClean_.appCleanResultlab->clear();
    for (PRProgressView* bar : {appClean_.appCacheProgress, appClean_.appCookProgress, appClean_.appJunkProgress,
                                appClean_.appDocumentProgress, appClean_.adsProgressor})
        bar->setProgressValue(0);
    for (QPushButton* arrow : {appClean_.appDocumentBtn, appClean_.appCacheBtn, appClean_.appJunkBtn,
                               appClean_.appCookBtn, appClean_.appAdsBtn})
        setArrow(arrow, false);
    for (QLabel* size : {appClean_.appDocumentlab, appClean_.appCachelab, appClean_.appJunklab, appClean_.appCooklab,
                         appClean_.appAdslab})
        size->hide();
    for (QLabel* path :
         {appClean_.appDocumentShowFilePathlab, appClean_.appCacheShowFilePathlab, appClean_.appJunkShowFilePathlab,
          appClean_.appCookShowFilePathlab, appClean_.appAdsShowFilePathlab})
        path->clear();
}

void PRCleanViewController::appCleanScanAbortedOnMainThread(const QString& reason) {
    bStartCleanScan = false;
    bAppCleanerFinish = false;
    adsScanRunning_ = false;
    appClean_.appFlashView->stopFlash();
    appClean_.appFlashView->hide();
    appClean_.appStartBtn->setImageNamed("scanNom.png");
    for (PRProgressView* bar : {appClean_.appCacheProgress, appClean_.appCookProgress, appClean_.appJunkProgress,
                                appClean_.appDocumentProgress, appClean_.adsProgressor})
        bar->setProgressValue(0);
    appClean_.appCleanResultlab->setText(reason.isEmpty() ? tr("The scan stopped: the device is no longer connected.")
                                                          : tr("The scan stopped. %1").arg(reason));
}

void PRCleanViewController::startScanPhoneCacheFinishedOnMainThread() {
    bStartCleanScan = false;
    bAppCleanerFinish = true;
    for (Category c : {Category::Document, Category::Cache, Category::Junk, Category::Cookie}) {
        const AppCleanCategory v = appCategory(c);
        setArrow(v.arrowBtn, true);
        v.sizeLabel->show();
        v.pathLabel->hide();
        v.sizeLabel->setText(sizeTextOf(appCounters_.sizeOf(c)));
        const auto& list = appLists_.listOf(c);
        v.controller->setContent({list.begin(), list.end()});
    }
}

void PRCleanViewController::showCategorySize(Category category) {
    const uint64_t bytes = appCounters_.sizeOf(category);
    appCategory(category).sizeLabel->setText(sizeTextOf(bytes));
}

void PRCleanViewController::addToRemovedAppBytes(uint64_t bytes) {
    if (AppState* state = AppState::current()) state->raiseCounter(AppCounter::TotalAppRemoveFileSize, bytes);
}

void PRCleanViewController::appCleanRowsRemoved(Category category, const std::vector<PRCleanDirNodePtr>& rows) {
    if (rows.empty()) return;
    const AppCleanCategory v = appCategory(category);
    std::unordered_set<const PRCleanDirNode*> gone;
    uint64_t bytes = 0;
    for (const auto& row : rows) {
        gone.insert(row.get());
        bytes += row->fileSizeNumber;
    }
    auto& list = appLists_.listOf(category);
    list.erase(
        std::remove_if(list.begin(), list.end(), [&](const PRCleanDirNodePtr& r) { return gone.count(r.get()); }),
        list.end());
    std::vector<NSObjectPtr> kept;
    for (const auto& object : v.controller->content())
        if (!gone.count(dynamic_cast<const PRCleanDirNode*>(object.get()))) kept.push_back(object);
    if (kept.size() != v.controller->content().size()) v.controller->setContent(std::move(kept));
    clean::subtractClamped(appCounters_.sizeOf(category), bytes);
    clean::subtractClamped(appCounters_.numberOf(category), rows.size());
    clean::subtractClamped(appCounters_.totalFileSize, bytes);
    clean::subtractClamped(appCounters_.totalFileNumber, rows.size());
    showCategorySize(category);
}

// ---- One-pass removal ------------------------------------------------------------------------

void PRCleanViewController::startRemoval() {
    auto plan = std::make_shared<RemovalPlan>();
    plan->stamp = tie_.stamp();
    // The rows the lists hold now, in the order cache, document, cookie, junk.
    for (Category c : {Category::Cache, Category::Document, Category::Cookie, Category::Junk}) {
        for (const auto& object : appCategory(c).controller->content()) {
            auto row = std::dynamic_pointer_cast<PRCleanDirNode>(object);
            if (!row) continue;
            clean::DeviceFileRef ref;
            ref.filePath = row->filePath;
            ref.appBundleName = row->appBundleName;
            ref.size = row->fileSizeNumber;
            plan->files.push_back(ref);
            plan->rows.push_back(row);
            plan->categories.push_back(c);
            if (c == Category::Cache) ++plan->cacheRows;
        }
    }
    // The advertising caches the scan found, whether or not their list was ever opened.
    for (const auto& record : adsRemoveArray)
        if (record->isLive()) {
            plan->ads.push_back(record);
            plan->adBundles.push_back(record->appBundleID);
            plan->adPaths.push_back(record->appAdsPlatArray);
        }
    uint64_t bytes = 0;
    for (Category c : {Category::Cookie, Category::Junk, Category::Cache, Category::Document})
        bytes += appCounters_.sizeOf(c);
    const QString count = QString::number(qulonglong(appCounters_.totalFileNumber.load()));
    const QString size = sizeTextOf(bytes);
    // The pass takes the apps' documents too, the user's own files: it asks once first.
    if ((!plan->files.empty() || !plan->ads.empty()) &&
        !confirmBulkRemoval(view_ ? view_->window() : nullptr,
                            tr("%1 files (%2) will be removed from your device, and the built-in ads of %3 apps.")
                                .arg(count, size)
                                .arg(plan->ads.size()),
                            tr("The apps' caches, cookies, temporary files and documents are all removed: "
                               "documents are files the apps keep for you.")))
        return;
    // The device may have gone, and another come, while the question was open.
    if (!stillOnItsDevice(plan->stamp, view_ ? view_->window() : nullptr)) return;
    removalStarted_ = true;
    appClean_.appStartBtn->setImageNamed("RemoveBtnDown.png");
    if (plan->files.empty() && plan->ads.empty()) {
        removeAllFilesFinishOnMainThread(plan, RemovalOutcome{});
        return;
    }

    const QString sentence =
        tr("%1 files will be cleaned up and %2 of disk space will be freed up on your iDevice.").arg(count, size);
    if (!removeSheet_.removeWindow) buildRemoveWindow();
    removeSheet_.removeNumberlab->setText(
        colouredSentence(sentence, {count, size}, QColor::fromRgbF(248 / 255.0, 54 / 255.0, 52 / 255.0)));
    removeSheet_.removeNumberlab->setFont(QFont("Lucida Grande", 11));
    removeSheet_.removeProgress->setValue(0);
    removeSheet_.removeNumberInfolab->clear();
    removeSheet_.removeWindow->open();
    scans_.enqueue([this, plan] { removeAllFilesThreader(plan); });
}

void PRCleanViewController::removeAllFilesThreader(std::shared_ptr<RemovalPlan> plan) {
    hasRemoveNumber = 0;
    qCInfo(lcClean, "[[cleanCacheFileController content] count]===%d", int(plan->cacheRows));
    const size_t total = plan->files.size() + plan->ads.size();
    int shown = -1;
    auto step = [&](size_t done) {
        const int percent = int(done * 100 / total);  // total > 0: an empty plan never gets here
        if (percent == shown) return;                 // one hand-over per percent, however many files
        shown = percent;
        performOnMainThread(
            this, [this, percent] { sendRemoveProgressInfoOnMainThread(percent); }, true);
    };
    RemovalOutcome outcome;
    const auto onlyItsDevice = plan->stamp.onlyThisDevice();
    outcome.files = clean::JunkFileActions(services_, plan->stamp.index())
                        .actRemoveNodes(plan->files, outcome.removed, [&](size_t done) {
                            hasRemoveNumber = done;
                            step(done);
                        });
    clean::AdCacheRemover remover(services_, plan->stamp.index());
    for (size_t i = 0; i < plan->ads.size(); ++i) {
        outcome.ads.push_back(remover.removeFolders(plan->adBundles[i], plan->adPaths[i]));
        step(plan->files.size() + i + 1);
    }
    performOnMainThread(
        this, [this, plan, &outcome] { removeAllFilesFinishOnMainThread(plan, outcome); }, true);
}

void PRCleanViewController::sendRemoveProgressInfoOnMainThread(int percent) {
    if (!removeSheet_.removeProgress) return;
    removeSheet_.removeProgress->setValue(percent);
    uint64_t bytes = 0;
    for (Category c : {Category::Cookie, Category::Junk, Category::Cache, Category::Document})
        bytes += appCounters_.sizeOf(c);
    removeSheet_.removeNumberInfolab->setText(tr("Has remove %1 files of %2 files, %3 ")
                                                  .arg(qulonglong(hasRemoveNumber.load()))
                                                  .arg(qulonglong(appCounters_.totalFileNumber.load()))
                                                  .arg(sizeTextOf(bytes)));
}

void PRCleanViewController::removeAllFilesFinishOnMainThread(const std::shared_ptr<RemovalPlan>& plan,
                                                             const RemovalOutcome& outcome) {
    if (removeSheet_.removeWindow) removeSheet_.removeWindow->close();
    hasRemoveNumber = 0;
    uint64_t failures = outcome.files.failures;
    QString detail = outcome.files.failureDetail();
    if (!plan->stamp.holds()) {
        // The device went during the pass: its rows went with it, and the panel is idle.
        removalStarted_ = false;
        if (failures > 0) showFailure(tr("Some files could not be removed from the device."), detail);
        return;
    }
    for (Category c : {Category::Cache, Category::Document, Category::Cookie, Category::Junk}) {
        std::vector<PRCleanDirNodePtr> removed;
        for (size_t i = 0; i < outcome.removed.size(); ++i)
            if (outcome.removed[i] && plan->categories[i] == c) removed.push_back(plan->rows[i]);
        appCleanRowsRemoved(c, removed);
        const AppCleanCategory v = appCategory(c);
        showCategorySize(c);
        // A category keeps its list while files the device refused are in it.
        setArrow(v.arrowBtn, v.controller->rowCount() > 0);
    }
    addToRemovedAppBytes(outcome.files.bytes);
    for (size_t i = 0; i < outcome.ads.size(); ++i) {
        adsRemoved(plan->ads[i], outcome.ads[i]);
        if (outcome.ads[i].ok()) continue;
        ++failures;
        if (detail.isEmpty()) detail = outcome.ads[i].failureDetail();
    }
    if (adsController) adsController->reloadData();
    // "Done": its press brings the panel back to idle.
    removalStarted_ = false;
    bAppCleanerFinish = false;
    appCleanDone_ = true;
    appClean_.appStartBtn->setImageNamed("doneNom.png");
    if (plan->files.empty() && plan->ads.empty()) {
        appClean_.appCleanResultlab->setText(tr("Nothing to clean up was found on your iDevice."));
    } else {
        appClean_.appCleanResultlab->setText(
            tr("%1 files have been removed and %2 of disk space freed up on your iDevice.")
                .arg(qulonglong(outcome.files.files))
                .arg(sizeTextOf(outcome.files.bytes)));
    }
    if (failures > 0) showFailure(tr("Some files could not be removed from the device."), detail);
}
