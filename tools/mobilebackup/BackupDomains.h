// Which folders of a simulated device a backup carries, and under which domain and path.
//
//   home/                          HomeDomain, except Library/Caches, tmp, Media and
//                                  Library/SMS/Attachments
//   home/Library/SMS/Attachments   MediaDomain, Library/SMS/Attachments/...
//   wireless/                      WirelessDomain (the call history of newer systems)
//   media/DCIM, media/PhotoData    CameraRollDomain, Media/DCIM/..., Media/PhotoData/...
//   media/Recordings               MediaDomain, Media/Recordings/...
//   apps/<id>/container/           AppDomain-<id>, except Library/Caches and tmp
#pragma once

#include <string>
#include <vector>

namespace mobilebackup {

struct DomainArea {
    std::string domain;
    std::string root;                   // the device folder it covers, relative to the device's folder ("home/...")
    std::string prefix;                 // the domain path of root: empty, or "Media/DCIM" and the like
    std::vector<std::string> excluded;  // root-relative folders the backup leaves out
    bool creatable = true;              // a restore may create root (false for app containers)

    // True when the root-relative path lies in an excluded folder.
    bool excludes(const std::string& relative) const;
};

// The areas of the device in deviceFolder; an app container only when the app is installed.
// Their folders are reached from the device's folder with beneath::openFolder, so that a link
// at any level above or below an area root is never followed.
std::vector<DomainArea> domainAreas(const std::string& deviceFolder);

// The area holding domain/path (the most specific one) with the path relative to its root;
// nullptr when the backup's record belongs to no area of the device or to an excluded folder.
const DomainArea* areaFor(const std::vector<DomainArea>& areas, const std::string& domain, const std::string& path,
                          std::string* relative);

}  // namespace mobilebackup
