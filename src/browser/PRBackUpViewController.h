// The page that backs the attached device up with the backup tool, into the user's iTunes
// backup folder or a folder the user types. Three states, each a view of its own: start,
// backing up, finished. The finished state shows the result, and the result is spoken.
#pragma once

#include "browser/core/BackupToolRun.h"
#include "browser/core/PageWorkers.h"
#include "widgets/PageHost.h"

#include <QString>
#include <functional>

class QButtonGroup;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class SpeechSynthesizer;

class PRBackUpViewController : public PageController {
public:
    explicit PRBackUpViewController(QObject* parent = nullptr);
    ~PRBackUpViewController() override;

    // Puts the page into host and resets it to the start state with the default location;
    // while a backup runs the page stays in its backing-up state.
    void showView(QWidget* host);
    void ShowbackupView();
    // The location choice: the default folder (field read-only) or one the user types.
    void defaultBackupLocation(QObject* sender = nullptr);
    void ChangeBackupLocation(QObject* sender = nullptr);
    // Starts the backup on a worker; refused while one runs.
    void BackupAction(QObject* sender = nullptr);
    // Ends the backup on the main thread: the finished state with the result, spoken.
    void FinisdBackupDeviceThread(const browser::BackupRunResult& result);
    // Opens the backup browser.
    void BroswerBackupAction(QObject* sender = nullptr);

    bool backupRunning() const { return running_; }
    // The text spoken at the end of a completed backup.
    static QString completedMessage() { return QStringLiteral("The Backup operation has been completed"); }
    // The default location: the user's iTunes backup folder.
    static QString defaultLocation();

    // Seams: the attached device's identifier (empty without a device) and the voice (false
    // when nothing could be spoken). Both default to the application's.
    std::function<QString()> deviceIdentifier;
    std::function<bool(const QString&)> speak;

    QLabel* groundImageView = nullptr;
    QPushButton* backupBtn = nullptr;
    QWidget* mainShowView = nullptr;
    QWidget* startBackupView = nullptr;
    QWidget* BackupingView = nullptr;
    QWidget* finishBackupView = nullptr;
    QProgressBar* backupProgresser = nullptr;
    QLabel* backupinfolab1 = nullptr;
    QLabel* backupinfolab2 = nullptr;
    QLabel* backup1ImageView = nullptr;
    QLabel* backup2ImageView = nullptr;
    QLabel* backup3ImageView = nullptr;
    QButtonGroup* backupMatrix = nullptr;
    QLineEdit* backupLocationlab = nullptr;
    QLabel* backupfinishlab = nullptr;
    QPushButton* browseBackupBtn = nullptr;  // opens the backup browser from the finished state

protected:
    void buildView(QWidget* page) override;

private:
    void StartBackupDeviceThread(const std::string& identifier, const std::string& folder);
    void showState(QWidget* shown);
    QLabel* finishTitle_ = nullptr;
    QRadioButton* defaultChoice_ = nullptr;
    QRadioButton* changedChoice_ = nullptr;
    SpeechSynthesizer* synthesizer_ = nullptr;
    bool running_ = false;
    browser::PageWorkers workers_;
};
