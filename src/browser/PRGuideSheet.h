// The three-step guide to a fresh backup, shown as a sheet on the main window. The results
// screen owns one (parented to the main window) and calls clickGetLog from its help button;
// the sheet's own "next" button advances it, and the third press closes it.
#pragma once

#include <QDialog>

class QLabel;
class QPushButton;

class PRGuideSheet : public QDialog {
    Q_OBJECT
public:
    explicit PRGuideSheet(QWidget* mainWindow);
    void clickGetLog();
    void actNextClick();

    static constexpr const char* kStep1Text = "Step1: Reboot your iPhone or other i-device.";
    static constexpr const char* kStep2Text = "Step2: Backup with iTunes to obtain the latest database file.";
    static constexpr const char* kStep3Text = "Strep3: Run Quillomatrix and rescan.";

    QLabel* showStepImageView;
    QLabel* showStepBtn;
    QPushButton* nextBtn;
    QLabel* firstTiplab;
    int currentStep = 0;

private:
    void setStep(const char* picture, const char* title);
    void setNextImage(const char* name);
};
