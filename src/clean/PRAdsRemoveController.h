// A screen of its own for the advertising caches: a scan screen with four bars and a list
// screen with the apps found, removal app by app or all at once. No window shows it yet.
#pragma once

#include "clean/PRAdsController.h"
#include "clean/core/AdCacheRemover.h"
#include "clean/core/CleanDeviceServices.h"
#include "platform/WorkerPool.h"

#include <QObject>
#include <QPointer>
#include <QStringList>
#include <atomic>
#include <vector>

class FlashView;
class NSNotification;
class PRProgressView;
class PRScanButton;
class QLabel;
class QTableView;
class QWidget;

class PRAdsRemoveController : public QObject {
    Q_OBJECT
public:
    explicit PRAdsRemoveController(clean::DeviceCleanServices& services = clean::deviceCleanServices(),
                                   QObject* parent = nullptr);
    ~PRAdsRemoveController() override;

    QWidget* view();  // "AdsView", built on first use
    void showView(QWidget* container);
    void changeToRemoveFirstView();
    void changeToRemoveSecondView();
    void setDeviceIndex(int index) { deviceIndex = index; }

    void MyScanbuttonMouseDownHandle(const NSNotification& notification);
    void StartScanAppAdsAction(QObject* sender = nullptr);
    void tableViewSelectionDidChange();
    void RemoveAdsAction(QObject* sender = nullptr);
    void RemoveAllAdsAction(QObject* sender = nullptr);
    void BackToScanAdsAction(QObject* sender = nullptr);
    // The icon the app ships ("/iTunesArtwork" of its container), copied to "/tmp/Icon".
    static QImage getIPhoneAppIconwith(amd::FileService& container, const std::string& bundleId);

    // Scans and removals queued or running.
    bool busy() const { return scanning_ || pool_.pendingJobs() > 0; }

    int deviceIndex = 0;
    bool bStartScan = false;
    QStringList adPlatArray;
    std::vector<PRAppAdsRemoveNodePtr> adsRemoveArray;
    PRAppAdsRemoveNodePtr currentRemoveNode;
    // Whether the device is still attached; the application delegate's answer unless set.
    std::function<bool()> deviceConnected;

    QWidget *adsRemoveFirstView = nullptr, *adsRemoveSecondView = nullptr;
    PRAdsController* adsController = nullptr;
    QTableView* adTableView = nullptr;
    PRProgressView *floatAdsProgress = nullptr, *popUpAdsProgress = nullptr, *flashAdsProgress = nullptr,
                   *bannerAdsProgress = nullptr;
    QLabel *floatAdsTextlab = nullptr, *popUpAdsTextlab = nullptr, *flashAdsTextlab = nullptr, *bannerTextlab = nullptr;
    FlashView* theFalshView = nullptr;
    PRScanButton* scanButton = nullptr;
    QLabel* theImageView = nullptr;

private:
    void buildView();
    void StartScanAppAdsThread(int device);
    void StartScanAppAdsThreadOnMainThread(std::vector<PRAppAdsRemoveNodePtr> records);
    void removeRecords(std::vector<PRAppAdsRemoveNodePtr> records);
    std::vector<PRProgressView*> bars() const;
    std::vector<QLabel*> labels() const;

    clean::DeviceCleanServices& services_;
    WorkerPool pool_{2};   // removals
    WorkerPool scans_{1};  // the scan's thread
    std::atomic<bool> scanning_{false};
    QPointer<QWidget> view_;
};
