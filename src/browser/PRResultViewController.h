// The results screen of a backup, shown over the backup list when a backup is opened. It
// names the backup and follows the scan's progress; the records themselves, their tables and
// their recovery are not built yet, so nothing else is shown.
#pragma once

#include "widgets/PageHost.h"
#include "platform/NotificationCenter.h"

class QLabel;
class PRProgressView;

class PRResultViewController : public PageController {
public:
    explicit PRResultViewController(QObject* parent = nullptr);
    ~PRResultViewController() override;

    // Puts the screen into container for the delegate's current backup: its facts, and the
    // progress at its start (hidden when there is no backup, as no scan then runs).
    void showView(QWidget* container);
    // "ScanProgressInfo" (a percent), on the scan thread: the bar and its text.
    void ScanProgressInfomationHandle(const NSNotification& notification);
    // Sent by the scan thread at its end: runs ScanFinishOnMainThread there and waits.
    void ScanThreadFinish();
    void ScanFinishOnMainThread();

    QWidget* parentView = nullptr;
    QLabel *deviceNamelab = nullptr, *deviceSeriallab = nullptr, *deviceTypelab = nullptr,
           *deviceVersionlab = nullptr, *backupTimelab = nullptr;
    PRProgressView* scanProgressor = nullptr;
    QLabel* progressTextField = nullptr;

protected:
    void buildView(QWidget* page) override;

private:
    void setProgress(int percent);
    NSNotificationCenter* nc;
};
