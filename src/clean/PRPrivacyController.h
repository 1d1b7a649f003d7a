// The privacy page: clears the call history of the attached device through a backup, a delete
// in the backup and a restore (PrivacyCleanRun, on a worker thread). The page says what the
// clean is doing, and when it ends, that it finished or why it stopped. One clean runs at a
// time in the whole application.
//
// The delete operations of the other personal databases of a backup are offered here too;
// nothing on the page starts them.
#pragma once

#include "clean/core/BackupDatabaseCleaner.h"
#include "clean/core/PrivacyCleanRun.h"
#include "platform/WorkerPool.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <atomic>
#include <functional>

class QLabel;
class QPushButton;
class QWidget;

class PRPrivacyController : public QObject {
    Q_OBJECT
public:
    explicit PRPrivacyController(QObject* parent = nullptr);
    ~PRPrivacyController() override;

    // The attached device's identifier: the udidNumber of the delegate's currentIDevicenode,
    // empty when no device is attached, unless a test puts its own here.
    std::function<QString()> deviceIdentifier;
    // Whether the current backup is of iOS 6: the delegate's currentNodeIsiOS6Version.
    std::function<bool()> isiOS6Version;
    // How the backup tool is run (tests replace it); unset parts run the tool.
    clean::PrivacyCleanRun::Tool backupTool;

    // The page ("PrivacyView"), built on first use.
    QWidget* view();
    void showView(QWidget* container);
    void setDeviceIndex(int index) { deviceIndex = index; }

    // Starts a clean; false (and the page says why) when one is already running or no
    // device is attached.
    bool StartPrivacyClean(QObject* sender = nullptr);
    void StartPrivacyCleanThread(const std::string& identifier, clean::PrivacyCleanRun::Tool tool);
    static bool isCleaning() { return s_cleaning; }
    // What the page says now.
    QString statusText() const;
    // The last clean's outcome (Finished before any clean).
    clean::PrivacyCleanOutcome lastOutcome() const { return lastOutcome_; }

    // The deletes in a backup folder.
    clean::DatabaseCleanResult cleanSqliteDatabasePath(const QString& backupFolder);
    clean::DatabaseCleanResult cleanCallHistorySqliteDataBaseWithPath(const QString& backupFolder);
    clean::DatabaseCleanResult cleanContactSquiteDataBaseWithPath(const QString& backupFolder);
    clean::DatabaseCleanResult cleanMessageSqliteDataBaseWithPath(const QString& backupFolder);
    clean::DatabaseCleanResult CleanMessageAttachmentWithPath(const QString& databasePath);
    clean::DatabaseCleanResult cleanNoteSqliteDataBaseWithPath(const QString& backupFolder);
    clean::DatabaseCleanResult cleanSafariSqliteDataBaseWithPath(const QString& backupFolder);

    int deviceIndex = 0;
    QWidget* privacyView = nullptr;
    QPushButton* cleanButton = nullptr;
    QLabel* statusLabel = nullptr;

private:
    void buildView();
    void stepOnMainThread(clean::PrivacyCleanStep step);
    void finishOnMainThread(const clean::PrivacyCleanOutcome& outcome);
    void setStatus(const QString& text);

    static std::atomic<bool> s_cleaning;
    WorkerPool runs_{1};  // the run's thread
    QPointer<QWidget> view_;
    QString status_;
    clean::PrivacyCleanOutcome lastOutcome_;
};
