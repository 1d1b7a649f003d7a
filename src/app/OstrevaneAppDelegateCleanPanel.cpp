// The device-clean summary panel above the clean page: the scan's progress and the bytes found
// per category while the device clean runs, the closing sentence when it ends, and the fix
// button that removes everything found and then states what was really freed.
#include "app/AppStyle.h"
#include "app/OstrevaneAppDelegate.h"
#include "clean/PRCleanViewController.h"
#include "platform/Counted.h"
#include "widgets/BulkRemovalConfirmation.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QColor kHighlight = QColor::fromRgbF(253 / 255.0, 240 / 255.0, 9 / 255.0);
const QColor kPanelBackground{61, 84, 117};

constexpr const char* kJunkTitle = "Temp Files Cleaner";
constexpr const char* kCacheTitle = "Cache Cleaner";
constexpr const char* kCookieTitle = "Cookie Cleaner";

QString span(const QString& text, const QColor& color) {
    return QString("<span style=\"color:%1\">%2</span>").arg(color.name(), text.toHtmlEscaped());
}

// The summary of a finished scan, each part passed through style(text, stands out): the count
// and the size stand out from the fixed words. A scan that could not list the apps (notScanned
// says why) found only the sync leftovers, and says so first rather than pass for a whole one.
// The label shows the parts coloured; with the parts as they are, it is the sentence's text.
template <class Style>
QString foundSentence(uint64_t issues, const QString& size, const QString& notScanned, Style style) {
    const QString count = QString::number(issues);
    if (notScanned.isEmpty())
        return style(count, true) + " " +
               style("app issues are affecting your iDevice system performance and wasting", false) + " " +
               style(size, true) + " " +
               style("disk space on your iDevice, Fix now to speed up and revive your iPhone.", false);
    return style(QString("The apps' junk could not be scanned. %1. Only the synced media was scanned:").arg(notScanned),
                 false) +
           " " + style(count, true) + " " + style("issues are wasting", false) + " " + style(size, true) + " " +
           style("disk space on your iDevice, Fix now to free it up.", false);
}

QString asItStands(const QString& text, bool) { return text; }

QLabel* panelText(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    label->setFont(QFont("Lucida Grande", 11));
    label->setStyleSheet("color: white;");
    return label;
}

// The notification's number, or nothing.
template <class T>
bool numberOf(const NSNotification& n, T (NSNumber::*value)() const, T& out) {
    const auto number = n.objectAs<NSNumber>();
    if (!number) return false;
    out = ((*number).*value)();
    return true;
}

}  // namespace

void OstrevaneAppDelegate::buildCleanPage() {
    auto* layout = new QVBoxLayout(frame_.ClearnView);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    cleanPanel_.cleanShowView = new QWidget(frame_.ClearnView);
    cleanPanel_.cleanShowView->setObjectName("cleanShowView");
    cleanPanel_.cleanShowView->setAutoFillBackground(true);
    QPalette palette = cleanPanel_.cleanShowView->palette();
    palette.setColor(QPalette::Window, kPanelBackground);
    cleanPanel_.cleanShowView->setPalette(palette);
    layout->addWidget(cleanPanel_.cleanShowView);  // the clean page goes below
    cleanPanel_.cleanShowView->setHidden(true);    // until the first device scan
    auto* states = new QGridLayout(cleanPanel_.cleanShowView);
    states->setContentsMargins(0, 0, 0, 0);
    cleanPanel_.cleanScanView = new QWidget(cleanPanel_.cleanShowView);
    cleanPanel_.cleanScanView->setObjectName("cleanScanView");
    cleanPanel_.cleanFinishView = new QWidget(cleanPanel_.cleanShowView);
    cleanPanel_.cleanFinishView->setObjectName("cleanFinishView");
    cleanPanel_.fixResultView = new QWidget(cleanPanel_.cleanShowView);
    cleanPanel_.fixResultView->setObjectName("fixResultView");
    for (QWidget* w : {cleanPanel_.cleanScanView, cleanPanel_.cleanFinishView, cleanPanel_.fixResultView})
        states->addWidget(w, 0, 0);

    auto* scan = new QVBoxLayout(cleanPanel_.cleanScanView);
    scan->setContentsMargins(20, 12, 20, 12);
    cleanPanel_.cleanprogressor = new QProgressBar(cleanPanel_.cleanScanView);
    cleanPanel_.cleanprogressor->setObjectName("cleanprogressor");
    cleanPanel_.cleanprogressor->setRange(0, 100);
    cleanPanel_.cleanprogressor->setValue(0);
    cleanPanel_.cleanprogressor->setTextVisible(false);
    scan->addWidget(cleanPanel_.cleanprogressor);

    auto* finish = new QHBoxLayout(cleanPanel_.cleanFinishView);
    finish->setContentsMargins(20, 10, 20, 10);
    finish->setSpacing(16);
    cleanPanel_.cleanFilelab = panelText(cleanPanel_.cleanFinishView, "cleanFilelab");
    cleanPanel_.cleanFilelab->setTextFormat(Qt::RichText);
    finish->addWidget(cleanPanel_.cleanFilelab, 1);
    cleanPanel_.fixAllButton = new QPushButton(tr("Fix all"), cleanPanel_.cleanFinishView);
    cleanPanel_.fixAllButton->setObjectName("fixAllButton");
    cleanPanel_.fixAllButton->setFont(appstyle::sansFont(13, true));
    cleanPanel_.fixAllButton->setMinimumSize(96, 30);
    finish->addWidget(cleanPanel_.fixAllButton);

    auto* fixed = new QVBoxLayout(cleanPanel_.fixResultView);
    fixed->setContentsMargins(20, 12, 20, 12);
    cleanPanel_.fixInfolab = panelText(cleanPanel_.fixResultView, "fixInfolab");
    cleanPanel_.fixInfolab->setTextFormat(Qt::PlainText);
    fixed->addWidget(cleanPanel_.fixInfolab);
}

QString OstrevaneAppDelegate::cleanFinishedSentence(uint64_t issues, const QString& size) {
    return foundSentence(issues, size, QString(), asItStands);
}

QString OstrevaneAppDelegate::cleanAppsNotScannedSentence(uint64_t issues, const QString& size, const QString& reason) {
    return foundSentence(issues, size, reason, asItStands);
}

QString OstrevaneAppDelegate::cleanFixedSentence(const QString& issues, const QString& size) {
    return QString("%1 app issues have been fixed, Quillomatrix had successfully free up %2 space on your device.")
        .arg(issues, size);
}

// ---- Notifications of the scan thread and the single removals -------------------------------

void OstrevaneAppDelegate::CleanFileProgressInfoHandle(const NSNotification& n) {
    int percent = 0;
    if (!numberOf(n, &NSNumber::intValue, percent)) return;
    performOnMainThread(
        this, [this, percent] { CleanFileProgressInfoHandleOnMain(percent); }, true);
}

void OstrevaneAppDelegate::AddCleanFileSizeThreadProgressInfoHandle(const NSNotification& n) {
    const auto sizes = n.objectAs<NSArray>();
    if (!sizes || sizes->count() < 3) return;
    uint64_t bytes[3] = {};
    for (size_t i = 0; i < 3; ++i) {
        const auto number = std::dynamic_pointer_cast<NSNumber>(sizes->objectAtIndex(i));
        if (!number) return;
        bytes[i] = number->unsignedLongLongValue();
    }
    performOnMainThread(
        this, [this, bytes] { AddCleanFileSizeThreadProgressInfoHandleOnMain(bytes[0], bytes[1], bytes[2]); }, true);
}

void OstrevaneAppDelegate::CleanFilehasFinishedHandle(const NSNotification& n) {
    uint64_t total = 0;
    if (!numberOf(n, &NSNumber::unsignedLongLongValue, total)) return;
    performOnMainThread(
        this, [this, total] { CleanFilehasFinishedOnMainThreadHanld(total); }, true);
}

void OstrevaneAppDelegate::CleanCacheFilesSizeHandle(const NSNotification& n) {
    uint64_t bytes = 0;
    if (!numberOf(n, &NSNumber::unsignedLongLongValue, bytes)) return;
    performOnMainThread(
        this, [this, bytes] { CleanCacheFilesSizeHandleOnMain(bytes); }, true);
}

void OstrevaneAppDelegate::CleanJunkFilesSizeHandle(const NSNotification& n) {
    uint64_t bytes = 0;
    if (!numberOf(n, &NSNumber::unsignedLongLongValue, bytes)) return;
    performOnMainThread(
        this, [this, bytes] { CleanJunkFilesSizeHandleMain(bytes); }, true);
}

void OstrevaneAppDelegate::CleanCookFilesSizeHandle(const NSNotification& n) {
    uint64_t bytes = 0;
    if (!numberOf(n, &NSNumber::unsignedLongLongValue, bytes)) return;
    performOnMainThread(
        this, [this, bytes] { CleanCookFilesSizeHandleMain(bytes); }, true);
}

// ---- Main-thread handlers -------------------------------------------------------------------

void OstrevaneAppDelegate::CleanFileProgressInfoHandleOnMain(int percent) {
    cleanPanel_.cleanprogressor->setRange(0, 100);
    cleanPanel_.cleanprogressor->setValue(percent);
    cleanPanel_.cleanprogressor->update();
}

void OstrevaneAppDelegate::setCleanCategoryLabel(QLabel* label, const char* title, uint64_t bytes) {
    PRSidebar::setRowText(label, QString("%1 (%2)").arg(title, sizeText(bytes)));
}

void OstrevaneAppDelegate::AddCleanFileSizeThreadProgressInfoHandleOnMain(uint64_t junk, uint64_t cache,
                                                                          uint64_t cookie) {
    // A category with nothing found yet keeps its plain title.
    if (static_cast<int64_t>(junk) > 0) setCleanCategoryLabel(sidebar_->tempJunkFileTextlab, kJunkTitle, junk);
    if (static_cast<int64_t>(cache) > 0) setCleanCategoryLabel(sidebar_->cacheTextlab, kCacheTitle, cache);
    if (static_cast<int64_t>(cookie) > 0) setCleanCategoryLabel(sidebar_->cookieTextlab, kCookieTitle, cookie);
    state_.setCounter(AppCounter::AllCacheFileNumber, cache);
    state_.setCounter(AppCounter::AllJunkFileNumber, junk);
    state_.setCounter(AppCounter::AllCookFileNumber, cookie);
}

void OstrevaneAppDelegate::CleanFilehasFinishedOnMainThreadHanld(uint64_t totalBytes) {
    cleanPanel_.cleanprogressor->setRange(0, 100);
    cleanPanel_.cleanprogressor->setValue(100);
    showCleanFoundSentence(totalBytes);

    resetCleanCategoryLabels();
    cleanPanel_.cleanScanView->setHidden(true);
    cleanPanel_.cleanFinishView->setHidden(false);
    cleanPanel_.fixResultView->setHidden(true);
}

void OstrevaneAppDelegate::resetCleanCategoryLabels() {
    PRSidebar::setRowText(sidebar_->tempJunkFileTextlab, kJunkTitle);
    PRSidebar::setRowText(sidebar_->cacheTextlab, kCacheTitle);
    PRSidebar::setRowText(sidebar_->cookieTextlab, kCookieTitle);
}

void OstrevaneAppDelegate::showCleanFoundSentence() {
    if (cleanViewController) showCleanFoundSentence(cleanViewController->counters().totalFileSize.load());
}

void OstrevaneAppDelegate::showCleanFoundSentence(uint64_t totalBytes) {
    const QString size = sizeText(totalBytes);
    const uint64_t issues = cleanViewController ? cleanViewController->GetCleanTaotalFileNumber() : 0;
    setAllCleanFileNumber(QString::number(issues));
    setAllCleanFileSize(size);

    // The count and the size in the highlight colour, the fixed words white.
    const QString notScanned = cleanViewController ? cleanViewController->appsNotScannedReason() : QString();
    cleanPanel_.cleanFilelab->setText(foundSentence(issues, size, notScanned, [](const QString& text, bool standsOut) {
        return span(text, standsOut ? kHighlight : QColor(Qt::white));
    }));
    cleanPanel_.cleanFilelab->setFont(QFont("Lucida Grande", 11));
    cleanPanel_.cleanFilelab->update();
}

void OstrevaneAppDelegate::removedFromCleanCategory(AppCounter total, QLabel* label, const char* title,
                                                    uint64_t bytes) {
    // The running total goes down with each removal, and stops at zero.
    setCleanCategoryLabel(label, title, state_.lowerCounter(total, bytes));
}

void OstrevaneAppDelegate::CleanCacheFilesSizeHandleOnMain(uint64_t bytes) {
    removedFromCleanCategory(AppCounter::AllCacheFileNumber, sidebar_->cacheTextlab, kCacheTitle, bytes);
}

void OstrevaneAppDelegate::CleanJunkFilesSizeHandleMain(uint64_t bytes) {
    removedFromCleanCategory(AppCounter::AllJunkFileNumber, sidebar_->tempJunkFileTextlab, kJunkTitle, bytes);
}

void OstrevaneAppDelegate::CleanCookFilesSizeHandleMain(uint64_t bytes) {
    removedFromCleanCategory(AppCounter::AllCookFileNumber, sidebar_->cookieTextlab, kCookieTitle, bytes);
}

// ---- Fix all --------------------------------------------------------------------------------

void OstrevaneAppDelegate::CleanAlliPhoneFiles(QObject*) {
    if (fixTimer_) return;  // the removals of the last press are still running
    const clean::JunkScanCounters& counters = cleanViewController->counters();
    const uint64_t filesBefore = counters.totalFileNumber.load();
    const uint64_t bytesBefore = counters.totalFileSize.load();
    // One question for the whole fix; Cancel leaves the panel and the device as they are.
    if (filesBefore > 0 &&
        !confirmBulkRemoval(window_, tr("Everything the scan found will be removed from your device: %1, %2.")
                                         .arg(counted(filesBefore, "file", "files"))
                                         .arg(sizeText(bytesBefore))))
        return;
    cleanViewController->removeEverythingFound();
    cleanPanel_.cleanScanView->setHidden(true);
    cleanPanel_.cleanFinishView->setHidden(true);
    cleanPanel_.fixResultView->setHidden(false);
    cleanPanel_.fixInfolab->clear();

    // The sentence states what the device really gave up, so it waits for the removals.
    // The timer runs on the main thread and goes with the delegate (its destructor stops it).
    fixTimer_ =
        NSTimer::scheduledTimer(std::chrono::milliseconds(50), true, [this, filesBefore, bytesBefore](NSTimer&) {
            if (cleanViewController->pendingJobs() == 0) finishFix(filesBefore, bytesBefore);
        });
}

void OstrevaneAppDelegate::finishFix(uint64_t filesBefore, uint64_t bytesBefore) {
    if (fixTimer_) fixTimer_->invalidate();
    fixTimer_.reset();
    const clean::JunkScanCounters& counters = cleanViewController->counters();
    const uint64_t filesAfter = counters.totalFileNumber.load();
    const uint64_t bytesAfter = counters.totalFileSize.load();
    const uint64_t files = filesBefore > filesAfter ? filesBefore - filesAfter : 0;
    const uint64_t bytes = bytesBefore > bytesAfter ? bytesBefore - bytesAfter : 0;
    cleanPanel_.fixInfolab->setText(cleanFixedSentence(QString::number(files), sizeText(bytes)));
}
