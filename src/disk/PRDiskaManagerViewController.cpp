#include "disk/PRDiskaManagerViewController.h"

PRDiskaManagerViewController::PRDiskaManagerViewController(QObject* parent)
    : PageController("PRDiskManageView", parent) {}

void PRDiskaManagerViewController::showView(QWidget* host) { putInto(host); }

void PRDiskaManagerViewController::setDiskManageDeviceWithAllUserData(uint64_t dataCapacity, uint64_t dataAvailable,
                                                                      uint64_t systemCapacity, uint64_t systemAvailable) {
    allUserData = dataCapacity;
    freeData = dataAvailable;
    allIOSData = systemCapacity;
    iosFreeData = systemAvailable;
}

void PRDiskaManagerViewController::ScanDiskPhotoFiles(QObject*) {}
void PRDiskaManagerViewController::ScanDiskMusicFiles(QObject*) {}
void PRDiskaManagerViewController::ScanDiskVideoFiles(QObject*) {}
void PRDiskaManagerViewController::ScanDiskBooksFiles(QObject*) {}
void PRDiskaManagerViewController::ScanDiskUserAppFiles(QObject*) {}
void PRDiskaManagerViewController::ScanDiskSystemAppFiles(QObject*) {}
void PRDiskaManagerViewController::ScanDiskUserDataFiles(QObject*) {}
