#include "app/OstrevaneAppDelegate.h"

#include "app/PRMainWindow.h"
#include "browser/PRBackUpViewController.h"
#include "browser/PRResultViewController.h"
#include "clean/PRCleanViewController.h"
#include "clean/PRPrivacyController.h"
#include "clean/PRSystemBoostViewController.h"
#include "clean/core/CleanNotices.h"
#include "disk/DiskNotices.h"
#include "disk/PRDiskaManagerViewController.h"
#include "disk/PRFindLargeFileViewController.h"
#include "disk/PRPhoneSystemViewController.h"
#include "model/PRRecordFields.h"
#include "platform/Dialogs.h"
#include "platform/LogCategories.h"
#include "platform/Paths.h"
#include "platform/Process.h"
#include "platform/SystemVersion.h"
#include "platform/Workspace.h"
#include "transfer/PROneCopyViewController.h"
#include "transfer/PRTansferViewController.h"
#include "transfer/TransferNotices.h"
#include "widgets/ButtonNotices.h"
#include "widgets/OpenLink.h"

#include <QApplication>
#include <QDebug>
#include <QFileInfo>
#include <QWidget>

namespace {
OstrevaneAppDelegate* g_sharedInstance = nullptr;

// The web pages of the product and its maker.
constexpr const char* kUpdatePage = "https://www.quillomatrix.example/update";
constexpr const char* kHomePage = "https://www.quillomatrix.example/";
constexpr const char* kSupportPage = "https://www.quillomatrix.example/support";
constexpr const char* kLearnMorePage = "https://www.quillomatrix.example/data-recovery";

// The crash-report helper, built beside the application.
QString crashReporterPath() {
    return QString::fromStdString(paths::appendingPathComponent(paths::executableDirectory(), "CrashReport"));
}
}  // namespace

OstrevaneAppDelegate::OstrevaneAppDelegate() { init(); }

OstrevaneAppDelegate::~OstrevaneAppDelegate() {
    nc->removeObserver(this);
    // Workers first: they hand their results to the delegate and its pages.
    endWorkersOf(this, {&workers_});
    if (fixTimer_) fixTimer_->invalidate();
    stopBoardMessage();
    releaseCrashApplication();
    // The page controllers first: their pages and sheets live in the windows.
    for (QObject* controller : std::initializer_list<QObject*>{
             resultViewController, phonesystemViewController, transferViewController, cleanViewController,
             backupViewController, diskManagerViewController, findLargerFileViewController, oneCopyViewController,
             privacyController, systemBoostViewController})
        delete controller;
    delete window_;
    delete preferenceWindow_;
    delete aboutWindow_;
    if (g_sharedInstance == this) g_sharedInstance = nullptr;
    if (AppState::current() == &state_) AppState::setCurrent(nullptr);
    if (AppShell::current() == this) AppShell::setCurrent(nullptr);
}

OstrevaneAppDelegate* OstrevaneAppDelegate::GetAppControllor() { return g_sharedInstance; }

void OstrevaneAppDelegate::init() {
    // The process comes to the front when its window is shown (applicationDidFinishLaunching).
    g_sharedInstance = this;
    getSystemVersionMajor(nullptr, &macOsVer, nullptr);
    nc = &NSNotificationCenter::defaultCenter();
    registerObservers();
    initDeviceManagement();
    state_.reset();
    AppState::setCurrent(&state_);
    AppShell::setCurrent(this);
    bFeedBack_ = false;
    // Whatever ends the application ends the crash reporter with it.
    if (qApp) connect(qApp, &QCoreApplication::aboutToQuit, this, [this] { releaseCrashApplication(); });
}

void OstrevaneAppDelegate::registerObservers() {
    using Handler = void (OstrevaneAppDelegate::*)(const NSNotification&);
    using namespace notices;
    const std::pair<const NoticeName*, Handler> observers[] = {
        {&PRBannerButtonMouseEntered, &OstrevaneAppDelegate::PRBannerButtonMouseEnteredHandle},
        {&PRBannerButtonMouseExited, &OstrevaneAppDelegate::PRBannerButtonMouseExitedHandle},
        {&PRBannerButtonMouseDown, &OstrevaneAppDelegate::PRBannerButtonMouseDownHandle},
        {&PRbuttonMouseEntered, &OstrevaneAppDelegate::PRbuttonMouseEnteredHandle},
        {&PRbuttonMouseExited, &OstrevaneAppDelegate::PRbuttonMouseExitedHandle},
        {&MyClosebuttonMouseDown, &OstrevaneAppDelegate::MyClosebuttonMouseDownHandle},
        {&SystemlibhasFinished, &OstrevaneAppDelegate::SystemlibhasFinishedHandle},
        {&AppScanFinished, &OstrevaneAppDelegate::AppScanFinishedHandle},
        {&photoScanFinished, &OstrevaneAppDelegate::photoScanFinishedHandle},
        {&musicScanFinished, &OstrevaneAppDelegate::musicScanFinishedHandle},
        {&CleanFileProgressInfo, &OstrevaneAppDelegate::CleanFileProgressInfoHandle},
        {&AddCleanFileSizeThreadProgressInfo, &OstrevaneAppDelegate::AddCleanFileSizeThreadProgressInfoHandle},
        {&CleanCacheFilesSize, &OstrevaneAppDelegate::CleanCacheFilesSizeHandle},
        {&CleanJunkFilesSize, &OstrevaneAppDelegate::CleanJunkFilesSizeHandle},
        {&CleanCookFilesSize, &OstrevaneAppDelegate::CleanCookFilesSizeHandle},
    };
    for (const auto& [notice, handler] : observers)
        notice->observe(*nc, this, [this, handler](const NSNotification& n) { (this->*handler)(n); });
}

bool OstrevaneAppDelegate::decodeSystemVersionWord(long word, int* major, int* minor, int* bugFix) {
    if (word < 0 || word >= 0x1040) return false;
    if (major) *major = 10 * ((word >> 12) & 0xF) + ((word >> 8) & 0xF);
    if (minor) *minor = (word >> 4) & 0xF;
    if (bugFix) *bugFix = word & 0xF;
    return true;
}

void OstrevaneAppDelegate::getSystemVersionMajor(int* major, int* minor, int* bugFix) {
    const SystemVersion v = currentSystemVersion();
    // The packed word only holds 10.0 to 10.9; later systems answer the three numbers apart.
    const bool fitsWord = v.major == 10 && v.minor >= 0 && v.minor <= 9 && v.bugfix >= 0 && v.bugfix <= 9;
    if (fitsWord) {
        const long word = 0x1000 | (v.minor << 4) | v.bugfix;
        if (decodeSystemVersionWord(word, major, minor, bugFix)) return;
    }
    if (v.major <= 0) {
        qCWarning(lcApp, "Unable to obtain system version: %ld", -1L);
        if (major) *major = 10;
        if (minor) *minor = 0;
        if (bugFix) *bugFix = 0;
        return;
    }
    if (major) *major = v.major;
    if (minor) *minor = v.minor;
    if (bugFix) *bugFix = v.bugfix;
}

// ---- Shared state ---------------------------------------------------------------------------

QString OstrevaneAppDelegate::allCleanFileNumber() const {
    std::lock_guard lock(stateMutex_);
    return allCleanFileNumber_;
}

void OstrevaneAppDelegate::setAllCleanFileNumber(const QString& v) {
    std::lock_guard lock(stateMutex_);
    allCleanFileNumber_ = v;
}

QString OstrevaneAppDelegate::allCleanFileSize() const {
    std::lock_guard lock(stateMutex_);
    return allCleanFileSize_;
}

void OstrevaneAppDelegate::setAllCleanFileSize(const QString& v) {
    std::lock_guard lock(stateMutex_);
    allCleanFileSize_ = v;
}

char* OstrevaneAppDelegate::size_to_unit(uint64_t count, char* buffer) { return ::size_to_unit(count, buffer); }

uint64_t OstrevaneAppDelegate::sizeFormString(const QString& text) { return ::sizeFormString(text.toStdString()); }

QString OstrevaneAppDelegate::sizeText(uint64_t count) { return QString::fromStdString(::sizeText(count)); }

// ---- Crash reporter, exit and web pages ----------------------------------------------------

void OstrevaneAppDelegate::lanuchCrashApplication() {
    if (checkTask > 0) return;
    const QString path = crashReporterPath();
    if (!QFileInfo(path).isExecutable()) return;  // a missing reporter is skipped silently
    checkTask = process::start(path.toStdString(), {});
}

void OstrevaneAppDelegate::releaseCrashApplication() {
    if (checkTask > 0) process::terminate(checkTask);
    checkTask = -1;
}

bool OstrevaneAppDelegate::windowShouldClose(QWidget*) {
    AlertRequest alert;
    alert.messageText = QApplication::translate("Localizable", "Are you sure you want to Exit ?");
    alert.informativeText = QString();
    alert.buttons = {QApplication::translate("Localizable", " Exit "),
                     QApplication::translate("Localizable", "Cancel")};
    alert.window = window_;
    if (dialogs::runAlert(alert) != NSAlertFirstButtonReturn) return false;
    releaseCrashApplication();
    quitApplication();
    return true;
}

void OstrevaneAppDelegate::CloseTheMainWindow(QObject*) { windowShouldClose(window_); }

void OstrevaneAppDelegate::quitApplication() {
    // Always from the main thread, once the current event has been handled. exit() rather than
    // quit(): quit() first closes every window, which would ask the exit question a second time.
    performOnMainThread(
        [] {
            QMetaObject::invokeMethod(
                qApp, [] { QCoreApplication::exit(0); }, Qt::QueuedConnection);
        },
        false);
}

void OstrevaneAppDelegate::ClickCheckupDate(QObject*) { openLink(window_, kUpdatePage); }
void OstrevaneAppDelegate::ClickHomePage(QObject*) { openLink(window_, kHomePage); }
void OstrevaneAppDelegate::ClickHelp(QObject*) { openLink(window_, kSupportPage); }
void OstrevaneAppDelegate::ClickLearnMore(QObject*) { openLink(window_, kLearnMorePage); }
