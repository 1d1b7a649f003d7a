#include "browser/PRGuideSheet.h"

#include "platform/Images.h"

#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

PRGuideSheet::PRGuideSheet(QWidget* mainWindow) : QDialog(mainWindow, Qt::Sheet) {
    setWindowModality(Qt::WindowModal);
    setWindowTitle(QStringLiteral("How to get a fresh backup"));
    auto* layout = new QVBoxLayout(this);
    showStepBtn = new QLabel(this);
    showStepBtn->setAlignment(Qt::AlignCenter);
    layout->addWidget(showStepBtn);
    showStepImageView = new QLabel(this);
    showStepImageView->setAlignment(Qt::AlignCenter);
    layout->addWidget(showStepImageView);
    firstTiplab = new QLabel(QString::fromLatin1(kStep1Text), this);
    firstTiplab->setWordWrap(true);
    layout->addWidget(firstTiplab);
    nextBtn = new QPushButton(this);
    nextBtn->setFlat(true);
    nextBtn->setStyleSheet(QStringLiteral("QPushButton { border: none; }"));
    setNextImage("nextBtn");
    layout->addWidget(nextBtn, 0, Qt::AlignRight);
    connect(nextBtn, &QPushButton::clicked, this, &PRGuideSheet::actNextClick);
}

void PRGuideSheet::setStep(const char* picture, const char* title) {
    showStepImageView->setPixmap(QPixmap::fromImage(images::imageNamed(QString::fromLatin1(picture))));
    showStepBtn->setPixmap(QPixmap::fromImage(images::imageNamed(QString::fromLatin1(title))));
}

void PRGuideSheet::setNextImage(const char* name) {
    const QPixmap image = QPixmap::fromImage(images::imageNamed(QString::fromLatin1(name)));
    nextBtn->setIcon(QIcon(image));
    nextBtn->setIconSize(image.size());
    nextBtn->setAccessibleName(QString::fromLatin1(name));
}

void PRGuideSheet::clickGetLog() {
    // Whole step 1, however the sheet was left (Esc ends it at any step).
    setStep("firstSteppic", "firstStep");
    setNextImage("nextBtn");
    firstTiplab->setText(QString::fromLatin1(kStep1Text));
    currentStep = 0;
    open();
}

void PRGuideSheet::actNextClick() {
    switch (currentStep) {
    case 0:
        setStep("secondStepPic", "secondStep");
        firstTiplab->setText(QString::fromLatin1(kStep2Text));
        currentStep = 1;
        break;
    case 1:
        setStep("thirdSteppic", "thirdStep");
        setNextImage("doneNom");
        firstTiplab->setText(QString::fromLatin1(kStep3Text));
        currentStep = 2;
        break;
    case 2:
        setNextImage("nextBtn");
        firstTiplab->setText(QString::fromLatin1(kStep1Text));
        accept();
        currentStep = 0;
        break;
    default: break;
    }
}
