#include "browser/PRBackUpViewController.h"

#include "platform/Paths.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

void PRBackUpViewController::buildView(QWidget* page) {
    auto* layout = new QVBoxLayout(page);
    layout->setContentsMargins(24, 24, 24, 24);
    mainShowView = new QWidget(page);
    mainShowView->setObjectName("mainShowView");
    mainShowView->setHidden(true);
    layout->addWidget(mainShowView);
    layout->addStretch(1);

    auto* row = new QHBoxLayout(mainShowView);
    row->setContentsMargins(0, 0, 0, 0);
    row->addWidget(new QLabel(tr("Backup location:"), mainShowView));
    backupLocationlab = new QLineEdit(mainShowView);
    backupLocationlab->setObjectName("backupLocationlab");
    backupLocationlab->setReadOnly(true);
    row->addWidget(backupLocationlab, 1);
    backupBtn = new QPushButton(tr("Back up"), mainShowView);
    backupBtn->setObjectName("backupBtn");
    row->addWidget(backupBtn);
}

void PRBackUpViewController::showView(QWidget* host) {
    putInto(host);
    backupLocationlab->setText(
        QString::fromStdString(paths::userPath("Library/Application Support/MobileSync/Backup")));
    backupBtn->setEnabled(false);
}

void PRBackUpViewController::ShowbackupView() {
    view();
    mainShowView->setHidden(false);
}
