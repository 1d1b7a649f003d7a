// The list of iTunes backups on this computer: one PRIOSDeviceNode per backup folder, read
// from the folder's "Info.plist" or, without one, the "Lockdown" entry of its
// "Manifest.plist". The page that shows the list presents arrangedObjects().
#pragma once

#include "model/PRIOSDeviceNode.h"

#include <string>
#include <vector>

class PRIOSDeviceController {
public:
    const std::vector<PRIOSDeviceNodePtr>& arrangedObjects() const { return content_; }
    void addObject(PRIOSDeviceNodePtr node) { content_.push_back(std::move(node)); }
    void removeAllObjects() { content_.clear(); }

    // Appends at most one node for the backup folder at path.
    void addDeviceNodeByPath(const std::string& path);
    // The model name of a product type ("iPhone3,1" gives "iPhone 4"); "iPhone" for an empty
    // type, the empty text for a type of no known model.
    static std::string GetDevcieType(const std::string& productType);
    // A date's standard description ("YYYY-MM-DD hh:mm:ss +0000") as local date and time,
    // "YYYY-MM-DD hh:mm"; unchanged on systems before 10.7, empty when it cannot be read.
    static std::string convertCurrentTimeZone2(const std::string& dateText);
    static void getSystemVersionMajor(unsigned* major, unsigned* minor, unsigned* bugFix);

private:
    std::vector<PRIOSDeviceNodePtr> content_;
};
