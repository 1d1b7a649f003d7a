#include "transfer/PROneCopyViewController.h"

#include "appcore/AppState.h"
#include "browser/core/PageWorkers.h"
#include "disk/core/DiskDeviceServices.h"
#include "platform/NotificationCenter.h"
#include "platform/Threads.h"
#include "platform/Workspace.h"
#include "widgets/ActionResultLine.h"
#include "widgets/ButtonNotices.h"
#include "widgets/FlashView.h"
#include "widgets/PRButton.h"

#include <QCheckBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

using transfer::OneCopyCategory;
using transfer::OneCopyRun;

namespace {

// The check buttons' outlet names, in the order of the categories.
constexpr const char* kRowNames[transfer::kOneCopyCategoryCount] = {"carmeRol", "photoStream", "photoLib", "music",
                                                                    "video",    "contact",     "message",  "note",
                                                                    "bookMark", "reminder",    "callLog"};

}  // namespace

PROneCopyViewController::PROneCopyViewController(QObject* parent)
    : PageController("PROneCopyView", parent), workers_(std::make_unique<browser::PageWorkers>(1)) {
    for (auto& flag : flags_) flag = true;
    notices::MyOneCopyButtonMouseDown.observe(NSNotificationCenter::defaultCenter(), this,
                                              [this](const NSNotification& n) {
                                                  if (startScanBtn && n.sender() == startScanBtn) StartOneCopyAction();
                                              });
}

PROneCopyViewController::~PROneCopyViewController() {
    NSNotificationCenter::defaultCenter().removeObserver(this);
    workers_->cancelAndWait();
}

void PROneCopyViewController::buildView(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    auto* title = new QLabel(tr("One-Click Copy"), page);
    QFont big = title->font();
    big.setPointSize(big.pointSize() + 6);
    big.setBold(true);
    title->setFont(big);
    layout->addWidget(title);
    layout->addWidget(new QLabel(tr("Copies the chosen categories of the device into the export folder."), page));

    auto* grid = new QGridLayout;
    for (int i = 0; i < transfer::kOneCopyCategoryCount; ++i) {
        const auto c = OneCopyCategory(i);
        Row& row = rows[size_t(i)];
        // "&" would otherwise mark a shortcut letter.
        row.checkBtn = new QCheckBox(QString::fromLatin1(OneCopyRun::categoryName(c)).replace("&", "&&"), page);
        row.checkBtn->setObjectName(QString::fromLatin1(kRowNames[i]) + "CheckBtn");
        row.checkBtn->setChecked(true);
        connect(row.checkBtn, &QCheckBox::clicked, this, [this, c] { toggle(c); });
        row.progress = new CircularBusyIndicator(page);
        row.okBtn = new QLabel(QStringLiteral("\u2714"), page);
        row.okBtn->setStyleSheet(QStringLiteral("color: #2e8b3d; font-weight: bold;"));
        row.okBtn->setFixedWidth(20);
        // Two columns of rows, as the switches sit side by side on the page.
        const int r = i % 6, col = (i / 6) * 3;
        grid->addWidget(row.checkBtn, r, col);
        grid->addWidget(row.progress, r, col + 1);
        grid->addWidget(row.okBtn, r, col + 2);
        row.progress->hide();
        row.okBtn->hide();
    }
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(3, 1);
    layout->addLayout(grid);

    auto* start = new QHBoxLayout;
    startScanBtn = new PROneCopyButton(page);
    startScanBtn->setObjectName(QStringLiteral("startScanBtn"));
    startScanBtn->setFixedSize(150, 44);
    startScanBtn->setCursor(Qt::PointingHandCursor);
    showStartButton(false);
    theFalshView = new FlashView(page);
    theFalshView->setFixedSize(40, 40);
    theFalshView->hide();
    start->addWidget(startScanBtn);
    start->addWidget(theFalshView);
    start->addStretch();
    layout->addLayout(start);

    progressText = new QLabel(page);
    layout->addWidget(progressText);
    summaryText = new QLabel(page);
    summaryText->setWordWrap(true);
    summaryText->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(summaryText);
    layout->addStretch();
}

void PROneCopyViewController::showStartButton(bool copyRuns) {
    const QString title = copyRuns ? tr("Copying...") : tr("Start Copy");
    startScanBtn->setImageNamed(copyRuns ? QStringLiteral("startDown.png") : QStringLiteral("startNom.png"));
    startScanBtn->setText(startScanBtn->image().isNull() ? title : QString());
    startScanBtn->setToolTip(title);
    startScanBtn->setAccessibleName(title);
}

void PROneCopyViewController::showView(QWidget* host) {
    putInto(host);
    bookExportPath = AppState::exportFolder();
}

void PROneCopyViewController::setCopyIndex(int index) {
    copyIndex = index;
    tie_.tieTo(index);
    // The device of the last copy come back: the page shows where that copy stands, what arrived
    // and what did not, rather than nothing.
    if (!bStartScan && summaryText && !lastCopyDevice_.isEmpty() && lastCopyDevice_ == currentUdid()) showSummary();
}

QString PROneCopyViewController::currentUdid() const {
    const AppState* state = AppState::current();
    const PRiDeviceNodePtr device = state ? state->currentIDevicenode() : nullptr;
    return device ? device->udidNumber() : QString();
}

void PROneCopyViewController::showSummary() {
    summaryText->setText(summary_.lines().join(QLatin1Char('\n')));
    for (size_t i = 0; i < rows.size(); ++i) rows[i].okBtn->setVisible(summary_.rowEnded[i] == 1);
}

void PROneCopyViewController::dropDeviceResults() {
    bBackup = false;
    if (!summaryText) return;
    summaryText->clear();
    // A copy still running ends at its next step and then says what it wrote.
    if (bStartScan) return;
    for (Row& row : rows) row.okBtn->hide();
}

void PROneCopyViewController::toggle(OneCopyCategory c) {
    const bool on = !flags_[size_t(c)].load();
    flags_[size_t(c)] = on;
    if (QCheckBox* box = rows[size_t(c)].checkBtn) box->setChecked(on);
}

void PROneCopyViewController::StartOneCopyAction() {
    if (bStartScan) return;  // one copy at a time
    view();
    // The folder of this copy, as the preferences say now; the books go there too.
    const QString exportFolder = AppState::exportFolder();
    const QString copy = copyKey(exportFolder);
    if (copy == doneCopy_) {
        // Pressed again after this device was copied into this folder: the copy is there.
        tellActionDone(view(), tr("The one-click copy is done"), exportFolder, false);
        return;
    }
    const DeviceStamp stamp = tie_.tieTo(copyIndex);
    bStartScan = true;
    bookExportPath = exportFolder;
    theFalshView->show();
    theFalshView->startFlash();
    showStartButton(true);
    summaryText->clear();
    for (size_t i = 0; i < rows.size(); ++i) {
        rows[i].okBtn->hide();
        rows[i].progress->setVisible(flags_[i].load());
        if (flags_[i].load()) rows[i].progress->startAnimation();
    }

    transfer::OneCopyOptions options;
    options.deviceIndex = stamp.index();
    options.exportFolder = exportFolder;
    options.bookExportPath = bookExportPath;
    if (const AppState* state = AppState::current()) {
        if (const PRiDeviceNodePtr device = state->currentIDevicenode()) {
            options.udid = device->udidNumber().toStdString();
            options.deviceName = device->deviceName().toStdString();
        }
    }
    disk::DiskDeviceServices* services = services_ ? services_ : &disk::deviceDiskServices();
    workers_->start([this, options, services, stamp](const std::atomic<bool>& cancelled) {
        const auto onlyItsDevice = stamp.onlyThisDevice();
        OneCopyRun::Hooks hooks;
        hooks.enabled = [this](OneCopyCategory c) { return flags_[size_t(c)].load(); };
        hooks.rowEnded = [this](OneCopyCategory c, bool done) {
            performOnMainThread(
                this, [this, c, done] { endRow(c, done); }, true);
        };
        hooks.progress = [this](const QString& text) {
            performOnMainThread(
                this, [this, text] { progressText->setText(text); }, false);
        };
        hooks.deviceConnected = [&stamp] { return AppState::deviceCountsAsConnected() && stamp.holds(); };
        const transfer::OneCopySummary summary = OneCopyRun(*services, options, hooks, &cancelled).run();
        const QString folder = options.exportFolder;
        performOnMainThread(
            this,
            [this, summary, folder] {
                finishOneClickCopyOnMainThread(summary, folder);
                // A copy that is done is not made again into the same folder.
                if (summary.complete()) doneCopy_ = copyKey(folder);
            },
            true);
    });
}

QString PROneCopyViewController::copyKey(const QString& exportFolder) const {
    const AppState* state = AppState::current();
    const PRiDeviceNodePtr device = state ? state->currentIDevicenode() : nullptr;
    return (device ? device->udidNumber() : QString()) + QLatin1Char('\n') + exportFolder;
}

void PROneCopyViewController::endRow(OneCopyCategory c, bool done) {
    Row& row = rows[size_t(c)];
    row.progress->stopAnimation();
    row.progress->hide();
    row.okBtn->setVisible(done);
}

void PROneCopyViewController::finishOneClickCopyOnMainThread(const transfer::OneCopySummary& summary,
                                                             const QString& exportFolder) {
    summary_ = summary;
    lastCopyDevice_ = currentUdid();
    bBackup = bBackup || summary.backupCompleted;
    theFalshView->stopFlash();
    theFalshView->hide();
    // Rows whose step never came (the run ended early) stop as well: nothing is running.
    for (Row& row : rows) {
        row.progress->stopAnimation();
        row.progress->hide();
    }
    progressText->clear();
    summaryText->setText(summary.lines().join(QLatin1Char('\n')));
    showStartButton(false);
    bStartScan = false;
    ++copiesFinished_;
    // "Done" only when every step arrived; otherwise the line says what did not, and the folder
    // of a copy cut short is not opened as if it were whole.
    tellActionDone(view(), summary.closingLine(), exportFolder, summary.complete());
}
