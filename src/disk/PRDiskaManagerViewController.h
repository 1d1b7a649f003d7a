// The disk manager page. The application delegate shows it from the banner and from the
// overview's category shortcuts and hands it the device and the device's disk figures. The
// usage overview and the category scans are not built yet: the page shows nothing, and
// opening a category starts no scan.
#pragma once

#include "widgets/PageHost.h"

#include <cstdint>

class PRDiskaManagerViewController : public PageController {
public:
    explicit PRDiskaManagerViewController(QObject* parent = nullptr);

    // Puts the page into host and shows it.
    void showView(QWidget* host);
    void setDiskManageDeviceIndex(int index) { diskDeviceIndex = index; }
    // The device's disk figures in bytes: data capacity and available, system capacity and
    // available.
    void setDiskManageDeviceWithAllUserData(uint64_t dataCapacity, uint64_t dataAvailable, uint64_t systemCapacity,
                                            uint64_t systemAvailable);

    // Open one category of the page.
    void ScanDiskPhotoFiles(QObject* sender);
    void ScanDiskMusicFiles(QObject* sender);
    void ScanDiskVideoFiles(QObject* sender);
    void ScanDiskBooksFiles(QObject* sender);
    void ScanDiskUserAppFiles(QObject* sender);
    void ScanDiskSystemAppFiles(QObject* sender);
    void ScanDiskUserDataFiles(QObject* sender);

    int diskDeviceIndex = 0;
    uint64_t allUserData = 0, freeData = 0, allIOSData = 0, iosFreeData = 0;

protected:
    void buildView(QWidget*) override {}
};
