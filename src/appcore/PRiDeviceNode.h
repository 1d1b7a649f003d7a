// What the program knows of the connected device: its lockdown values and its capacity.
// A null text is a value the device did not give; a fresh record has only null texts and 0s.
#pragma once

#include "platform/NSObject.h"

#include <QString>
#include <cstdint>
#include <memory>

class PRiDeviceNode : public NSObject {
public:
    QString deviceName() const { return deviceName_; }
    void setDeviceName(const QString& v) { deviceName_ = v; }
    QString deviceSize() const { return deviceSize_; }
    void setDeviceSize(const QString& v) { deviceSize_ = v; }
    QString freeSize() const { return freeSize_; }
    void setFreeSize(const QString& v) { freeSize_ = v; }
    QString musicSize() const { return musicSize_; }
    void setMusicSize(const QString& v) { musicSize_ = v; }
    QString photoSize() const { return photoSize_; }
    void setPhotoSize(const QString& v) { photoSize_ = v; }
    QString videoSize() const { return videoSize_; }
    void setVideoSize(const QString& v) { videoSize_ = v; }
    QString appSize() const { return appSize_; }
    void setAppSize(const QString& v) { appSize_ = v; }
    QString otherSize() const { return otherSize_; }
    void setOtherSize(const QString& v) { otherSize_ = v; }
    QString productVersion() const { return productVersion_; }
    void setProductVersion(const QString& v) { productVersion_ = v; }
    QString iOSVersion() const { return iOSVersion_; }
    void setIOSVersion(const QString& v) { iOSVersion_ = v; }
    QString seriNumber() const { return seriNumber_; }
    void setSeriNumber(const QString& v) { seriNumber_ = v; }
    QString udidNumber() const { return udidNumber_; }
    void setUdidNumber(const QString& v) { udidNumber_ = v; }
    QString firemVersion() const { return firemVersion_; }
    void setFiremVersion(const QString& v) { firemVersion_ = v; }
    QString PhoneNumber() const { return PhoneNumber_; }
    void setPhoneNumber(const QString& v) { PhoneNumber_ = v; }
    QString deviceModel() const { return deviceModel_; }
    void setDeviceModel(const QString& v) { deviceModel_ = v; }
    uint64_t totalFileSizeNumber() const { return totalFileSizeNumber_; }
    void setTotalFileSizeNumber(uint64_t v) { totalFileSizeNumber_ = v; }
    uint64_t freeFileSizeNumber() const { return freeFileSizeNumber_; }
    void setFreeFileSizeNumber(uint64_t v) { freeFileSizeNumber_ = v; }

    std::string description() const override;

private:
    QString deviceName_, deviceSize_, freeSize_, musicSize_, photoSize_, videoSize_, appSize_, otherSize_,
        productVersion_, iOSVersion_, seriNumber_, udidNumber_, firemVersion_, PhoneNumber_, deviceModel_;
    uint64_t totalFileSizeNumber_ = 0;
    uint64_t freeFileSizeNumber_ = 0;
};

using PRiDeviceNodePtr = std::shared_ptr<PRiDeviceNode>;
