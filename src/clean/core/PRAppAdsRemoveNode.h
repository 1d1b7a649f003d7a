// One user app of the advertising-cache list: its name, icon and version, and the advertising
// folders found under its "/Library/Caches". Changed on the main thread only.
#pragma once

#include "platform/NSObject.h"

#include <QImage>
#include <QString>
#include <QStringList>
#include <memory>

class PRAppAdsRemoveNode;
using PRAppAdsRemoveNodePtr = std::shared_ptr<PRAppAdsRemoveNode>;

class PRAppAdsRemoveNode : public NSObject {
public:
    static PRAppAdsRemoveNodePtr create() { return std::make_shared<PRAppAdsRemoveNode>(); }

    QString appName;  // "CFBundleDisplayName"
    QImage appImage;
    QString appVersion;        // "CFBundleShortVersionString", else "CFBundleVersion"
    QString appAdsState;       // "Live", "No Ads" or "Removed"
    QString appPlatformCount;  // the number of advertising folders, as decimal text
    QString appBundleID;
    QString appAdsPath;           // not used
    QStringList appAdsPlatArray;  // "/Library/Caches/<folder>" of each advertising folder

    bool isLive() const { return appAdsState == QLatin1String("Live"); }
};
