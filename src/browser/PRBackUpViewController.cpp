#include "browser/PRBackUpViewController.h"

#include "appcore/AppShell.h"
#include "appcore/AppState.h"
#include "appcore/PRiDeviceNode.h"
#include "browser/SpeechSynthesizer.h"
#include "platform/Images.h"
#include "platform/Paths.h"
#include "platform/Threads.h"

#include <QButtonGroup>
#include <QDir>
#include <QFont>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPixmap>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace {

QLabel* strip(QWidget* parent, const char* name) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setScaledContents(true);  // fills the view, each axis on its own
    label->setPixmap(QPixmap::fromImage(images::imageNamed("bottomGroundImage")));
    label->setFixedHeight(6);
    return label;
}

QLabel* text(QWidget* parent, const char* name, const QString& value) {
    auto* label = new QLabel(value, parent);
    label->setObjectName(name);
    label->setWordWrap(true);
    return label;
}

QLabel* title(QWidget* parent, const char* name, const QString& value) {
    QLabel* label = text(parent, name, value);
    label->setStyleSheet("font-size: 18px; font-weight: bold;");
    return label;
}

}  // namespace

PRBackUpViewController::PRBackUpViewController(QObject* parent) : PageController("BackupView", parent) {
    deviceIdentifier = [] {
        const AppState* state = AppState::current();
        if (!state || !state->deviceConnected()) return QString();
        PRiDeviceNodePtr node = state->currentIDevicenode();
        return node ? node->udidNumber() : QString();
    };
    speak = [this](const QString& message) {
        if (!synthesizer_) synthesizer_ = new SpeechSynthesizer(this);
        return synthesizer_->startSpeakingString(message);
    };
}

PRBackUpViewController::~PRBackUpViewController() { workers_.cancelAndWait(); }

QString PRBackUpViewController::defaultLocation() {
    return QString::fromStdString(paths::userPath("Library/Application Support/MobileSync/Backup"));
}

void PRBackUpViewController::buildView(QWidget* page) {
    const QFont font("Lucida Grande", 11);
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    groundImageView = new QLabel(page);
    groundImageView->setObjectName("groundImageView");
    groundImageView->setHidden(true);  // the page's own background colour stands in for it
    mainShowView = new QWidget(page);
    mainShowView->setObjectName("mainShowView");
    layout->addWidget(backup1ImageView = strip(page, "backup1ImageView"));
    layout->addWidget(mainShowView, 1);
    layout->addWidget(backup2ImageView = strip(page, "backup2ImageView"));

    auto* states = new QVBoxLayout(mainShowView);
    states->setContentsMargins(32, 28, 32, 24);

    // Start: what a backup is for, where it goes, and the button.
    startBackupView = new QWidget(mainShowView);
    startBackupView->setObjectName("startBackupView");
    auto* start = new QVBoxLayout(startBackupView);
    start->setContentsMargins(0, 0, 0, 0);
    start->addWidget(title(startBackupView, "startTitle", tr("Back up your device")));
    backupinfolab1 = text(startBackupView, "backupinfolab1",
                          tr("A backup keeps your contacts, messages, notes, call history, photos and app "
                             "documents on this computer."));
    backupinfolab2 = text(startBackupView, "backupinfolab2",
                          tr("Quillomatrix reads your backups in its backup browser, and can recover what was "
                             "deleted on the device."));
    start->addWidget(backupinfolab1);
    start->addWidget(backupinfolab2);
    start->addSpacing(16);
    auto* choices = new QWidget(startBackupView);
    choices->setObjectName("backupMatrix");
    auto* choiceRow = new QHBoxLayout(choices);
    choiceRow->setContentsMargins(0, 0, 0, 0);
    backupMatrix = new QButtonGroup(this);
    defaultChoice_ = new QRadioButton(tr("Default location"), choices);
    defaultChoice_->setObjectName("defaultLocationChoice");
    changedChoice_ = new QRadioButton(tr("Change location"), choices);
    changedChoice_->setObjectName("changedLocationChoice");
    backupMatrix->addButton(defaultChoice_, 0);
    backupMatrix->addButton(changedChoice_, 1);
    choiceRow->addWidget(defaultChoice_);
    choiceRow->addWidget(changedChoice_);
    choiceRow->addStretch(1);
    start->addWidget(choices);
    backupLocationlab = new QLineEdit(startBackupView);
    backupLocationlab->setObjectName("backupLocationlab");
    start->addWidget(backupLocationlab);
    start->addSpacing(16);
    backupBtn = new QPushButton(tr("Back up"), startBackupView);
    backupBtn->setObjectName("backupBtn");
    backupBtn->setMinimumWidth(140);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(backupBtn);
    buttonRow->addStretch(1);
    start->addLayout(buttonRow);
    start->addStretch(1);

    // Backing up: an indicator that runs until the tool ends.
    BackupingView = new QWidget(mainShowView);
    BackupingView->setObjectName("BackupingView");
    auto* busy = new QVBoxLayout(BackupingView);
    busy->setContentsMargins(0, 0, 0, 0);
    busy->addWidget(title(BackupingView, "backingUpTitle", tr("Backing up your device")));
    busy->addWidget(text(BackupingView, "backingUpLabel",
                         tr("Backing up the device. Keep it connected until the backup has finished.")));
    backupProgresser = new QProgressBar(BackupingView);
    backupProgresser->setObjectName("backupProgresser");
    backupProgresser->setRange(0, 1);
    backupProgresser->setTextVisible(false);
    busy->addWidget(backupProgresser);
    busy->addStretch(1);

    // Finished: the result, and the way to the backup browser.
    finishBackupView = new QWidget(mainShowView);
    finishBackupView->setObjectName("finishBackupView");
    auto* finish = new QVBoxLayout(finishBackupView);
    finish->setContentsMargins(0, 0, 0, 0);
    finishTitle_ = title(finishBackupView, "finishTitle", QString());
    finish->addWidget(finishTitle_);
    backupfinishlab = text(finishBackupView, "backupfinishlab", QString());
    QPalette palette = backupfinishlab->palette();
    palette.setColor(QPalette::WindowText, QColor(121, 139, 167));
    backupfinishlab->setPalette(palette);
    finish->addWidget(backupfinishlab);
    browseBackupBtn = new QPushButton(tr("Browse backups"), finishBackupView);
    browseBackupBtn->setObjectName("browseBackupBtn");
    auto* browseRow = new QHBoxLayout;
    browseRow->addWidget(browseBackupBtn);
    browseRow->addStretch(1);
    finish->addSpacing(12);
    finish->addLayout(browseRow);
    finish->addStretch(1);

    for (QWidget* state : {startBackupView, BackupingView, finishBackupView}) states->addWidget(state);
    backup3ImageView = strip(finishBackupView, "backup3ImageView");
    finish->addWidget(backup3ImageView);
    for (QWidget* styled : {static_cast<QWidget*>(backupinfolab1), static_cast<QWidget*>(backupinfolab2),
                            static_cast<QWidget*>(defaultChoice_), static_cast<QWidget*>(changedChoice_),
                            static_cast<QWidget*>(backupLocationlab), static_cast<QWidget*>(backupfinishlab)})
        styled->setFont(font);

    connect(backupBtn, &QPushButton::clicked, this, [this] { BackupAction(backupBtn); });
    connect(browseBackupBtn, &QPushButton::clicked, this, [this] { BroswerBackupAction(browseBackupBtn); });
    connect(defaultChoice_, &QRadioButton::clicked, this, [this] { defaultBackupLocation(defaultChoice_); });
    connect(changedChoice_, &QRadioButton::clicked, this, [this] { ChangeBackupLocation(changedChoice_); });
}

void PRBackUpViewController::showState(QWidget* shown) {
    for (QWidget* state : {startBackupView, BackupingView, finishBackupView}) state->setHidden(state != shown);
}

void PRBackUpViewController::showView(QWidget* host) {
    putInto(host);
    if (running_) {
        mainShowView->setHidden(false);
        showState(BackupingView);
        return;
    }
    showState(startBackupView);
    mainShowView->setHidden(true);
    defaultChoice_->setChecked(true);
    defaultBackupLocation();
}

void PRBackUpViewController::ShowbackupView() {
    view();
    mainShowView->setHidden(false);
}

void PRBackUpViewController::defaultBackupLocation(QObject*) {
    view();
    backupLocationlab->setText(defaultLocation());
    backupLocationlab->setReadOnly(true);
}

void PRBackUpViewController::ChangeBackupLocation(QObject*) {
    view();
    backupLocationlab->setReadOnly(false);
    backupLocationlab->setFocus();
}

void PRBackUpViewController::BackupAction(QObject*) {
    view();
    if (running_) return;  // one backup at a time
    const std::string identifier = deviceIdentifier ? deviceIdentifier().toStdString() : std::string();
    // The typed folder is where the backup goes; the default location is the tool's own.
    std::string folder;
    if (changedChoice_->isChecked()) {
        const QString typed = QDir::cleanPath(backupLocationlab->text().trimmed());
        if (typed.isEmpty() || !QDir::isAbsolutePath(typed)) {
            browser::BackupRunResult refused;
            refused.status = browser::BackupRunResult::Status::ToolFailed;
            refused.message = "Type the full path of the folder to back up into.";
            mainShowView->setHidden(false);
            FinisdBackupDeviceThread(refused);
            return;
        }
        if (typed != QDir::cleanPath(defaultLocation())) folder = typed.toStdString();
    }
    running_ = true;
    mainShowView->setHidden(false);
    showState(BackupingView);
    backupProgresser->setRange(0, 0);  // animates
    StartBackupDeviceThread(identifier, folder);
}

void PRBackUpViewController::StartBackupDeviceThread(const std::string& identifier, const std::string& folder) {
    workers_.start([this, identifier, folder](const std::atomic<bool>& cancelled) {
        const browser::BackupRunResult result = browser::BackupToolRun::run(identifier, folder);
        if (cancelled) return;  // the page is going
        performOnMainThread(
            this,
            [this, result] {
                if (!workers_.cancelled()) FinisdBackupDeviceThread(result);
            },
            true);
    });
}

void PRBackUpViewController::FinisdBackupDeviceThread(const browser::BackupRunResult& result) {
    running_ = false;
    backupProgresser->setRange(0, 1);  // stops
    showState(finishBackupView);
    QString message = QString::fromStdString(result.message);
    if (result.completed())
        message = completedMessage() + QStringLiteral(".\n") +
                  tr("Backup folder: %1").arg(QString::fromStdString(result.backupFolder));
    finishTitle_->setText(result.completed() ? tr("Backup finished") : tr("Backup failed"));
    backupfinishlab->setText(message);
    const QString spoken = result.completed() ? completedMessage() : tr("The Backup operation has failed");
    if (speak) speak(spoken);  // heard where a voice is there; the text above stays shown either way
}

void PRBackUpViewController::BroswerBackupAction(QObject*) {
    if (AppShell* app = AppShell::current()) app->ClickScaniTunesBackup(nullptr);
}
