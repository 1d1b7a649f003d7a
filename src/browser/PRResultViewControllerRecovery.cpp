// The recovery from the results screen: the save panel naming the new folder, the progress
// sheet with its one-second timer, the worker that writes, and the end that reveals the folder
// and names the first failure.
#include "appcore/AppShell.h"
#include "browser/PRResultViewController.h"
#include "browser/core/PRBackupRecovery.h"
#include "browser/core/PageWorkers.h"
#include "platform/Counted.h"
#include "platform/Dialogs.h"
#include "platform/Threads.h"
#include "platform/Workspace.h"
#include "widgets/ActionResultLine.h"
#include "widgets/PRProgressView.h"

#include <QDateTime>
#include <QDialog>
#include <QDir>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QVBoxLayout>
#include <algorithm>

namespace {
QWidget* mainWindow() {
    AppShell* app = AppShell::current();
    return app ? app->window() : nullptr;
}

// A count of a recovery's closing line with its noun, the number written the user's way.
QString written(uint64_t n, const char* one, const char* many) {
    return QLocale().toString(qulonglong(n)) + QLatin1Char(' ') + QString::fromUtf8(n == 1 ? one : many);
}

// What a recovery wrote, kind by kind: "462330 messages in 2000 conversations, 3 contacts".
QString recoveredSummary(const PRRecoveryResult& result) {
    using R = PRRecoveryResult;
    const auto& of = result.writtenOf;
    QStringList parts;
    auto add = [&](R::Kind kind, const char* one, const char* many) {
        if (of[kind] > 0) parts << written(of[kind], one, many);
    };
    add(R::Photos, "photo or video", "photos and videos");
    add(R::BackupFiles, "backup file", "backup files");
    add(R::Contacts, "contact", "contacts");
    if (of[R::Conversations] > 0)
        parts << (of[R::Messages] > 0 ? written(of[R::Messages], "message", "messages") + " in " : QString()) +
                     written(of[R::Conversations], "conversation", "conversations");
    add(R::Notes, "note", "notes");
    add(R::Calls, "call", "calls");
    add(R::BookMarks, "bookmark", "bookmarks");
    add(R::CalendarItems, "calendar item", "calendar items");
    add(R::SocialFiles, "Facebook or Twitter file", "Facebook and Twitter files");
    add(R::Attachments, "attachment", "attachments");
    return parts.isEmpty() ? counted(result.written, "item", "items") : parts.join(", ");
}
// Whether the recovery wrote records read from the database of category.
bool wroteFrom(const PRRecoveryResult& result, const std::string& category) {
    using R = PRRecoveryResult;
    const auto& of = result.writtenOf;
    if (category == "Contacts" || category == "Contact pictures") return of[R::Contacts] > 0;
    if (category == "Messages") return of[R::Conversations] > 0 || of[R::Messages] > 0;
    if (category == "Notes") return of[R::Notes] > 0;
    if (category == "Call History") return of[R::Calls] > 0;
    if (category == "Bookmarks") return of[R::BookMarks] > 0;
    if (category == "Calendar") return of[R::CalendarItems] > 0;
    return false;
}
}  // namespace

void PRResultViewController::buildSaveWindow() {
    saveWindow = new QDialog(view());
    saveWindow->setObjectName("saveWindow");
    saveWindow->setWindowTitle(tr("Recovering"));
    saveWindow->setModal(true);
    // Closed only by the end of the recovery.
    saveWindow->setWindowFlags(Qt::Sheet | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    auto* layout = new QVBoxLayout(saveWindow);
    layout->setContentsMargins(20, 18, 20, 18);
    auto* info = new QLabel(tr("Recovering the selected files, please wait..."), saveWindow);
    info->setObjectName("saveinfoTextlab");
    layout->addWidget(info);
    auto* row = new QHBoxLayout;
    saveProgressor = new PRProgressView(saveWindow);
    saveProgressor->setObjectName("saveProgressor");
    saveProgressor->setFixedSize(320, 14);
    savepercentlab = new QLabel("0%", saveWindow);
    savepercentlab->setObjectName("savepercentlab");
    savepercentlab->setMinimumWidth(40);
    row->addWidget(saveProgressor);
    row->addWidget(savepercentlab);
    layout->addLayout(row);
}

void PRResultViewController::actRecovery() {
    if (recovery_ || !intake_) return;
    if (!saveWindow) buildSaveWindow();
    saveProgressor->setProgressValue(0);
    savepercentlab->setText("0%");
    PanelRequest panel;
    panel.kind = PanelRequest::Kind::Save;
    panel.directory = QDir::homePath();
    panel.suggestedName = QString::fromStdString(PRBackupRecovery::defaultFolderName(QDateTime::currentDateTime()));
    panel.window = mainWindow();
    const QString path = dialogs::runPanelForPath(panel);
    if (!path.isEmpty()) savePanelDidEnd(path);
}

void PRResultViewController::savePanelDidEnd(const QString& path) {
    if (recovery_ || !intake_) return;
    recoverPath = path;
    // The tree's root folder carries the device's name.
    const auto& roots = intake_->tree.roots();
    PRRecoverySelection selection =
        recoverySelectionOf(*intake_, roots.empty() ? std::string() : roots.front()->fileName());

    showSaveWindow();
    auto recovery = std::make_shared<PRBackupRecovery>();
    recovery_ = recovery;
    // Started and stopped here, on the main thread.
    recoverTimer_ =
        NSTimer::scheduledTimer(std::chrono::seconds(1), true, [this](NSTimer&) { IphonerecoveryTimer_hander(); });
    if (!recoverWorkers_) recoverWorkers_ = std::make_unique<browser::PageWorkers>(1);
    const MainThreadReceiver receiver(this);
    const std::string target = path.toStdString();
    recoverWorkers_->start(
        [this, receiver, recovery, selection = std::move(selection), target](const std::atomic<bool>&) {
            const PRRecoveryResult result = recovery->recoverFilesThread(selection, target);
            performOnMainThread(
                receiver,
                [this, recovery, result] {
                    if (recovery_ == recovery) saveProgressorHanderToMainThreadHandle(result);
                },
                false);
        });
}

void PRResultViewController::showSaveWindow() {
    if (!saveWindow) buildSaveWindow();
    saveWindow->adjustSize();
    if (QWidget* window = mainWindow()) {
        const QPoint top = window->mapToGlobal(QPoint((window->width() - saveWindow->width()) / 2, 0));
        saveWindow->move(top);
    }
    saveWindow->show();
}

void PRResultViewController::IphonerecoveryTimer_hander() {
    if (!recovery_ || !saveProgressor) return;
    const uint64_t all = recovery_->allSelectedFileNum();
    // Attachments count as written items but not as marked ones: the bar stops at its end.
    const int percent =
        all == 0 ? 0 : int(std::min(100.0, double(recovery_->recovredFilesNum()) * 100.0 / double(all)));
    saveProgressor->setProgressValue(float(percent) / 100.0f);
    savepercentlab->setText(QString("%1%").arg(percent));
}

void PRResultViewController::saveProgressorHanderToMainThreadHandle(const PRRecoveryResult& result) {
    if (recoverTimer_) recoverTimer_->invalidate();
    recoverTimer_.reset();
    recovery_.reset();
    saveWindow->hide();
    saveProgressor->setProgressValue(0);
    savepercentlab->setText("0%");
    // A kind written from a database whose journal was set aside is said with the count: those
    // records are the main file's, as of its last checkpoint.
    QStringList journals;
    for (const JournalProblem& journal : journalProblems_)
        if (wroteFrom(result, journal.category)) journals << QString::fromStdString(journal.text);
    const QString aside = journals.isEmpty() ? QString() : " (" + journals.join("; ") + ")";
    if (result.written > 0)
        tellActionDone(mainWindow(), recoveredSummary(result) + tr(" recovered") + aside, recoverPath);
    if (result.ok()) return;
    AlertRequest alert;
    alert.window = mainWindow();
    alert.messageText = tr("Some files could not be recovered.");
    alert.informativeText = QString("%1: %2").arg(QString::fromStdString(result.firstFailedPath),
                                                  QString::fromStdString(result.firstReason));
    if (result.failures > 1) alert.informativeText += tr(" (%1 failures)").arg(result.failures);
    alert.buttons = {tr("OK")};
    dialogs::runAlert(alert);
}

void PRResultViewController::stopRecovery() {
    if (recoverTimer_) recoverTimer_->invalidate();
    recoverTimer_.reset();
    if (recovery_) recovery_->cancel();
    recovery_.reset();  // the worker's hand-off now finds another recovery and does nothing
    if (recoverWorkers_) recoverWorkers_->cancelAndWait();
}
