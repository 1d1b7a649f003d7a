// The one-click copy page, shown from the banner: eleven category switches with a busy
// indicator and a done mark each, one start button and a spinner. One press copies the
// device's photos, music and videos and books into the export folder, backs the device up and
// writes its records as files (transfer::OneCopyRun, on a worker), then says what was copied.
//
// The export folder is read from the preferences when a copy starts. One copy runs at a time; a
// press while one runs does nothing, and a new copy may start once it has ended.
//
// A copy belongs to the device it started on (DeviceTie): when that device leaves or another is
// given, the copy stops (it never goes on with the next device) and what the page showed of the
// last copy goes.
#pragma once

#include "appcore/DeviceTie.h"
#include "transfer/core/OneCopyRun.h"
#include "widgets/PageHost.h"

#include <QString>
#include <array>
#include <atomic>
#include <memory>

class QCheckBox;
class QLabel;
class CircularBusyIndicator;
class FlashView;
class PROneCopyButton;
namespace browser {
class PageWorkers;
}
namespace disk {
class DiskDeviceServices;
}

class PROneCopyViewController : public PageController {
    Q_OBJECT
public:
    explicit PROneCopyViewController(QObject* parent = nullptr);
    ~PROneCopyViewController() override;

    // Puts the page into host and takes the export folder of the application for the books.
    void showView(QWidget* host);
    // Ties the page to the device at index; another device's summary is dropped first.
    void setCopyIndex(int index);

    // Starts a copy unless one runs.
    void StartOneCopyAction();
    // The switches: each turns its category off when on, on when off.
    void PhotoCameraAction() { toggle(transfer::OneCopyCategory::CameraRoll); }
    void PhotoStreamAction() { toggle(transfer::OneCopyCategory::PhotoStream); }
    void PhotoLibraryAction() { toggle(transfer::OneCopyCategory::PhotoLibrary); }
    void MusicAction() { toggle(transfer::OneCopyCategory::Music); }
    void VideoAction() { toggle(transfer::OneCopyCategory::Video); }
    void ContactAction() { toggle(transfer::OneCopyCategory::Contacts); }
    void MessageAction() { toggle(transfer::OneCopyCategory::Messages); }
    void NoteAction() { toggle(transfer::OneCopyCategory::Notes); }
    void BookMarkAction() { toggle(transfer::OneCopyCategory::BookMarks); }
    void CalendarAction() { toggle(transfer::OneCopyCategory::Calendar); }
    void CallLogsAction() { toggle(transfer::OneCopyCategory::CallLogs); }

    bool enabled(transfer::OneCopyCategory c) const { return flags_[size_t(c)].load(); }
    // True while a copy runs.
    bool copying() const { return bStartScan; }
    // Copies that have ended since the page was made.
    int copiesFinished() const { return copiesFinished_; }
    const transfer::OneCopySummary& lastSummary() const { return summary_; }
    // Tests put their own device services in front.
    void setServices(disk::DiskDeviceServices* services) { services_ = services; }

    int copyIndex = 0;
    QString bookExportPath;
    bool bStartScan = false;
    bool bBackup = false;

    // Outlets, made with the page.
    struct Row {
        QCheckBox* checkBtn = nullptr;
        CircularBusyIndicator* progress = nullptr;
        QLabel* okBtn = nullptr;
    };
    std::array<Row, transfer::kOneCopyCategoryCount> rows{};
    PROneCopyButton* startScanBtn = nullptr;
    FlashView* theFalshView = nullptr;
    QLabel* progressText = nullptr;
    QLabel* summaryText = nullptr;

protected:
    void buildView(QWidget* page) override;

private:
    void toggle(transfer::OneCopyCategory c);
    // The start button as the page's other main actions look: its image, the title on a plain
    // face only without one.
    void showStartButton(bool copyRuns);
    // Stops a row's indicator and shows its done mark (or, when its step could not run, none).
    void endRow(transfer::OneCopyCategory c, bool done);
    void finishOneClickCopyOnMainThread(const transfer::OneCopySummary& summary, const QString& exportFolder);
    // The device left or was replaced: the last copy's marks and summary go.
    void dropDeviceResults();

    DeviceTie tie_{[this] { dropDeviceResults(); }};
    std::array<std::atomic<bool>, transfer::kOneCopyCategoryCount> flags_{};
    std::unique_ptr<browser::PageWorkers> workers_;
    disk::DiskDeviceServices* services_ = nullptr;
    transfer::OneCopySummary summary_;
    int copiesFinished_ = 0;
    // The device and folder of the last copy that was done ("" before any).
    QString doneCopy_;
    QString copyKey(const QString& exportFolder) const;
    // The device of the last copy, whose summary the page shows again when it comes back.
    QString lastCopyDevice_;
    QString currentUdid() const;
    // The last copy's lines and its rows' done marks.
    void showSummary();
};
