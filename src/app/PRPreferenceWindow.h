// The preferences window: the large-file limit and the export folder (General), and the two
// reminder schedules (Cleanup, One-click copy). Nothing here is saved between runs; Apply hands
// the limit and the folder to whoever set onApply.
#pragma once

#include "app/PRMainWindow.h"

#include <cstdint>
#include <functional>

class PRClosedButton;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSlider;

class PRPreferenceWindow : public PRMainWindow {
    Q_OBJECT
public:
    explicit PRPreferenceWindow(const QString& exportPath, QWidget* parent = nullptr);

    // Called by Apply.
    std::function<void()> onApply;
    // The folder picker's panel runs over this window (the main window).
    QWidget* panelWindow = nullptr;

    // Shows the window in the middle of its screen.
    void open();
    void showPreferenceGeneraView();
    void showPreferenceCleanupView();
    void showPreferenceOneCopyView();
    void ActPreferenceGeneral();
    void ActPreferenceCleanup();
    void ActPreferenceOneClickCopy();
    // The slider's label follows the slider.
    void TragTheLimttedAction();
    void ChangeExportFilePath();
    void ActCleanUpSchedulAction();
    void ActOneCopySchedulAction();

    // What Apply takes: the limit the slider gives, and the folder typed or chosen.
    uint64_t chosenLargeFileLimit() const;
    QString chosenExportPath() const;

    // The slider's megabytes (value over maximum, times 50) and the limit they give.
    static int largeFileMegabytes(int sliderValue, int sliderMaximum);
    static uint64_t largeFileLimitForMegabytes(int megabytes);

    QWidget* preferenceMainView = nullptr;
    QWidget* preferenceGeneraView = nullptr;
    QWidget* preferenceCleanupView = nullptr;
    QWidget* preferenceOneCopyView = nullptr;
    PRClosedButton* closedPreferenceButton = nullptr;
    QPushButton *generaBtn = nullptr, *cleanupBtn = nullptr, *oneCopyBtn = nullptr;
    QSlider* fileSizeSlider = nullptr;
    QLabel* fileSizeSliderInfolab = nullptr;
    QLineEdit* quillomatrixPathlab = nullptr;
    QCheckBox *cleanUpCheckBtn = nullptr, *onecopyCheckBtn = nullptr;
    QComboBox *cleanUpSchedulButton = nullptr, *oneCopySchedulButton = nullptr;
    QLabel *cheanupSchedullab = nullptr, *onecopySchedullab = nullptr;
};
