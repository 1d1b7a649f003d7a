#include "browser/PRResultViewController.h"

#include "app/core/AppState.h"
#include "model/PRIOSDeviceNode.h"
#include "platform/Threads.h"
#include "widgets/PRProgressView.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPointer>
#include <QVBoxLayout>

PRResultViewController::PRResultViewController(QObject* parent)
    : PageController("ResulutView", parent), nc(&NSNotificationCenter::defaultCenter()) {
    nc->addObserver(this, "ScanProgressInfo", [this](const NSNotification& n) { ScanProgressInfomationHandle(n); });
}

PRResultViewController::~PRResultViewController() { nc->removeObserver(this); }

void PRResultViewController::buildView(QWidget* page) {
    page->setAutoFillBackground(true);  // it lies over the backup list
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(24, 20, 24, 20);
    auto* facts = new QFormLayout;
    struct Fact {
        QLabel** outlet;
        const char* name;
        const char* caption;
    };
    const Fact list[] = {{&deviceNamelab, "deviceNamelab", "Name:"},
                         {&deviceSeriallab, "deviceSeriallab", "Serial Number:"},
                         {&deviceTypelab, "deviceTypelab", "Type:"},
                         {&deviceVersionlab, "deviceVersionlab", "iOS Version:"},
                         {&backupTimelab, "backupTimelab", "Backup Date:"}};
    for (const Fact& f : list) {
        *f.outlet = new QLabel(page);
        (*f.outlet)->setObjectName(f.name);
        facts->addRow(tr(f.caption), *f.outlet);
    }
    layout->addLayout(facts);
    layout->addSpacing(16);
    auto* progress = new QHBoxLayout;
    scanProgressor = new PRProgressView(page);
    scanProgressor->setObjectName("scanProgressor");
    scanProgressor->setFixedHeight(14);
    progressTextField = new QLabel(page);
    progressTextField->setObjectName("progressTextField");
    progressTextField->setMinimumWidth(40);
    progress->addWidget(scanProgressor, 1);
    progress->addWidget(progressTextField);
    layout->addLayout(progress);
    layout->addStretch(1);
}

void PRResultViewController::showView(QWidget* container) {
    parentView = container;
    putInto(container);
    view()->raise();
    const AppState* state = AppState::current();
    auto node = state ? std::dynamic_pointer_cast<PRIOSDeviceNode>(state->currentNode()) : nullptr;
    auto show = [](QLabel* label, const std::string& text) { label->setText(QString::fromStdString(text)); };
    show(deviceNamelab, node ? node->strDeviceName() : std::string());
    show(deviceSeriallab, node ? node->strDeviceSerial() : std::string());
    show(deviceTypelab, node ? node->strDeviceType() : std::string());
    show(deviceVersionlab, node ? node->strIOSVersion() : std::string());
    show(backupTimelab, node ? node->strDeviceBackUpTime() : std::string());
    if (node) {
        scanProgressor->setProgressValue(0);
        progressTextField->setText("1%");
    } else {
        setProgress(0);
    }
    scanProgressor->setHidden(!node);
    progressTextField->setHidden(!node);
}

void PRResultViewController::setProgress(int percent) {
    view();
    scanProgressor->setProgressValue(float(percent) / 100.0f);
    progressTextField->setText(QString("%1%").arg(percent));
}

void PRResultViewController::ScanProgressInfomationHandle(const NSNotification& notification) {
    const auto number = notification.objectAs<NSNumber>();
    if (!number) return;
    const int percent = number->intValue();
    QPointer<PRResultViewController> self(this);
    performOnMainThread([self, percent] { if (self) self->setProgress(percent); }, true);
}

void PRResultViewController::ScanThreadFinish() {
    QPointer<PRResultViewController> self(this);
    performOnMainThread([self] { if (self) self->ScanFinishOnMainThread(); }, true);
}

void PRResultViewController::ScanFinishOnMainThread() {
    setProgress(0);
    scanProgressor->setHidden(true);
    progressTextField->setHidden(true);
}
