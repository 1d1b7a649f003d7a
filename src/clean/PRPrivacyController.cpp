#include "clean/PRPrivacyController.h"

#include "appcore/AppState.h"
#include "platform/Dialogs.h"
#include "platform/LogCategories.h"
#include "platform/Threads.h"
#include "widgets/BulkRemovalConfirmation.h"
#include "widgets/PageHost.h"

#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QVBoxLayout>
#include <QtDebug>

using clean::PrivacyCleanOutcome;
using clean::PrivacyCleanStep;

std::atomic<bool> PRPrivacyController::s_cleaning{false};

PRPrivacyController::PRPrivacyController(QObject* parent) : QObject(parent) {
    deviceIdentifier = [] {
        const AppState* state = AppState::current();
        const PRiDeviceNodePtr node = state ? state->currentIDevicenode() : nullptr;
        return node ? node->udidNumber() : QString();
    };
    isiOS6Version = [] {
        const AppState* state = AppState::current();
        return state && state->currentNodeIsiOS6Version();
    };
}

PRPrivacyController::~PRPrivacyController() {
    // A run under way backs up and restores the device: cutting it short could leave the device
    // half restored, so the page waits for it.
    endWorkersOf(this, {&runs_});
    delete view_;
}

QWidget* PRPrivacyController::view() {
    if (!view_) buildView();
    return view_;
}

void PRPrivacyController::buildView() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("PrivacyView"));
    auto* outer = new QVBoxLayout(page);
    outer->setContentsMargins(0, 0, 0, 0);
    privacyView = new QWidget;
    outer->addWidget(privacyView);
    auto* layout = new QVBoxLayout(privacyView);
    layout->setContentsMargins(40, 36, 40, 30);
    layout->setSpacing(14);

    auto* header = new QHBoxLayout;
    auto* title = new QLabel(tr("Privacy Clean"));
    QFont big("Lucida Grande", 18);
    big.setBold(true);
    title->setFont(big);
    header->addWidget(title);
    header->addStretch(1);
    layout->addLayout(header);

    auto* text = new QLabel(
        tr("Clears the call history of your device. The device is backed up to this computer, a copy of that "
           "backup is kept in a private temporary folder, the calls are deleted in the backup, and the "
           "device is restored from it. Keep the device connected until the clean has finished."));
    text->setWordWrap(true);
    text->setFont(QFont("Lucida Grande", 12));
    layout->addWidget(text);

    auto* row = new QHBoxLayout;
    cleanButton = new QPushButton(tr("Clean Call History"));
    cleanButton->setMinimumWidth(180);
    row->addWidget(cleanButton);
    row->addStretch(1);
    layout->addLayout(row);
    statusLabel = new QLabel;
    statusLabel->setWordWrap(true);
    statusLabel->setTextFormat(Qt::PlainText);
    statusLabel->setFont(QFont("Lucida Grande", 12));
    layout->addWidget(statusLabel);
    layout->addStretch(1);
    connect(cleanButton, &QPushButton::clicked, this, [this] { StartPrivacyClean(cleanButton); });
    view_ = page;
    setStatus(status_);
}

void PRPrivacyController::showView(QWidget* container) {
    QWidget* page = view();
    pagehost::place(container, page);
    page->show();
    privacyView->show();
}

QString PRPrivacyController::statusText() const { return status_; }

void PRPrivacyController::setStatus(const QString& text) {
    status_ = text;
    if (statusLabel) statusLabel->setText(text);
}

bool PRPrivacyController::StartPrivacyClean(QObject*) {
    view();
    const std::string identifier = deviceIdentifier ? deviceIdentifier().toStdString() : std::string();
    if (identifier.empty()) {
        setStatus(PrivacyCleanOutcome{PrivacyCleanOutcome::Kind::NoDevice}.message());
        return false;
    }
    if (s_cleaning) {
        setStatus(tr("A privacy clean is already running."));
        return false;
    }
    // A backup, a delete and a restore of the device: the user says yes first.
    if (!confirmBulkRemoval(view_ ? view_->window() : nullptr,
                            tr("The device will be backed up and restored: Quillomatrix backs it up, deletes the whole "
                               "call history from that backup and restores the device from it."),
                            tr("The call history on the device is gone afterwards.")))
        return false;
    bool idle = false;
    if (!s_cleaning.compare_exchange_strong(idle, true)) {
        setStatus(tr("A privacy clean is already running."));
        return false;
    }
    cleanButton->setEnabled(false);
    runs_.enqueue([this, identifier, tool = backupTool] { StartPrivacyCleanThread(identifier, tool); });
    return true;
}

void PRPrivacyController::StartPrivacyCleanThread(const std::string& identifier, clean::PrivacyCleanRun::Tool tool) {
    clean::PrivacyCleanRun run(identifier, std::move(tool));
    run.onStep = [this](PrivacyCleanStep step) {
        performOnMainThread(
            this, [this, step] { stepOnMainThread(step); }, true);
    };
    const PrivacyCleanOutcome outcome = run.run();
    qCInfo(lcClean).noquote() << "Privacy clean:" << outcome.message();
    s_cleaning = false;
    performOnMainThread(
        this, [this, outcome] { finishOnMainThread(outcome); }, true);
}

void PRPrivacyController::stepOnMainThread(PrivacyCleanStep step) {
    switch (step) {
    case PrivacyCleanStep::Backup: setStatus(tr("Backing up the device...")); break;
    case PrivacyCleanStep::Copy: setStatus(tr("Copying the backup...")); break;
    case PrivacyCleanStep::Delete: setStatus(tr("Deleting the call history in the backup...")); break;
    case PrivacyCleanStep::Restore: setStatus(tr("Restoring the device...")); break;
    }
}

void PRPrivacyController::finishOnMainThread(const PrivacyCleanOutcome& outcome) {
    lastOutcome_ = outcome;
    setStatus(outcome.message());
    cleanButton->setEnabled(true);
    // After the worker's hand-over has returned, so that the worker does not wait on the alert.
    QTimer::singleShot(0, this, [this, outcome] {
        AlertRequest alert;
        alert.messageText = outcome.finished() ? tr("Privacy clean finished") : tr("Privacy clean stopped");
        alert.informativeText = outcome.message();
        alert.style = outcome.finished() ? AlertRequest::Style::Informational : AlertRequest::Style::Warning;
        alert.window = view_ ? view_->window() : nullptr;
        dialogs::runAlert(alert);
    });
}

// ---- Deletes in a backup folder -------------------------------------------------------------

clean::DatabaseCleanResult PRPrivacyController::cleanSqliteDatabasePath(const QString& backupFolder) {
    return cleanCallHistorySqliteDataBaseWithPath(backupFolder);
}

clean::DatabaseCleanResult PRPrivacyController::cleanCallHistorySqliteDataBaseWithPath(const QString& backupFolder) {
    return clean::BackupDatabaseCleaner::cleanCallHistory(backupFolder.toStdString());
}

clean::DatabaseCleanResult PRPrivacyController::cleanContactSquiteDataBaseWithPath(const QString& backupFolder) {
    return clean::BackupDatabaseCleaner::cleanContacts(backupFolder.toStdString());
}

clean::DatabaseCleanResult PRPrivacyController::cleanMessageSqliteDataBaseWithPath(const QString& backupFolder) {
    return clean::BackupDatabaseCleaner::cleanMessages(backupFolder.toStdString(), isiOS6Version && isiOS6Version());
}

clean::DatabaseCleanResult PRPrivacyController::CleanMessageAttachmentWithPath(const QString& databasePath) {
    return clean::BackupDatabaseCleaner::cleanMessageAttachments(databasePath.toStdString());
}

clean::DatabaseCleanResult PRPrivacyController::cleanNoteSqliteDataBaseWithPath(const QString& backupFolder) {
    return clean::BackupDatabaseCleaner::cleanNotes(backupFolder.toStdString());
}

clean::DatabaseCleanResult PRPrivacyController::cleanSafariSqliteDataBaseWithPath(const QString& backupFolder) {
    return clean::BackupDatabaseCleaner::cleanSafari(backupFolder.toStdString());
}
