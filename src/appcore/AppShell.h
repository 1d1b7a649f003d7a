// What the pages ask of the application around them: navigation between the main screens, the
// start notices of the long scans, the main window that alerts attach to, and the backup list.
// It sits below the pages so they reach the application without linking it; the delegate
// implements it and installs itself for its run. The state the pages read (device flag, export
// folder, large-file limit, current records) is in AppState beside it.
//
// Without an installed shell (a tool, a test of a page alone) AppShell::current() is null and a
// page skips the navigation.
#pragma once

#include <QString>

class QObject;
class QWidget;
class PRIOSDeviceController;

class AppShell {
public:
    AppShell() = default;
    AppShell(const AppShell&) = delete;
    AppShell& operator=(const AppShell&) = delete;

    // The shell of the running application, or null without one.
    static AppShell* current();
    static void setCurrent(AppShell* shell);

    // The main window, the parent of the pages' alerts and sheets (null before it is built).
    virtual QWidget* window() const = 0;

    // Navigation: the home screen, the device overview and the bottom picture under it.
    virtual void showMainView() = 0;
    virtual void ClickMainStatu(QObject* sender) = 0;
    virtual void showMainBottomImageview() = 0;
    virtual void HiddenMainBottomImageView() = 0;

    // The backup pages: backing the device up, and scanning the iTunes backups.
    virtual void ClickBackup(QObject* sender) = 0;
    virtual void ClickBackupAction(QObject* sender) = 0;
    virtual void ClickScaniTunesBackup(QObject* sender) = 0;

    // Told when a long walk starts, so the application can keep other walks from starting.
    virtual void SystemlibhasStartHandle() = 0;
    virtual void photoScanhasStartHandle() = 0;
    virtual void musicScanhasStartHandle() = 0;
    virtual void AppScanhasStartHandle() = 0;

    // The backups found on this computer, and whether a backup's system version is iOS 6 or later.
    virtual PRIOSDeviceController* GetPRIOSDeviceController() = 0;
    virtual bool IOSVersionIOS6(const QString& version) = 0;

protected:
    ~AppShell() = default;
};
