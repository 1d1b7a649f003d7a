// The one way a file of the computer is added to a device folder (the file browser's media
// area, an app's container). Nothing on the device is replaced unasked: where the folder already
// has an entry of the file's name, the caller's answer decides, and without one nothing is added.
#pragma once

#include "device/ActionResult.h"
#include "device/FileService.h"

#include <QString>
#include <string>

namespace amd {

// What to do when the device folder already has an entry of the added file's name.
enum class NameTaken {
    Refuse,    // add nothing and say so (the answer when nobody was asked)
    Replace,   // the device's file gives way to the new one
    KeepBoth,  // the new file takes the next free numbered name ("Guide (2).pdf")
};

// The reason given for a file not added because its name is taken.
inline constexpr const char* kNameTakenOnDevice = "not added: the device already has a file of that name";

// The device path of name in deviceFolder ("/" or "" for the root).
std::string devicePathIn(const std::string& deviceFolder, const std::string& name);

// Whether the device has an entry at devicePath.
bool takenOnDevice(FileService& service, const std::string& devicePath);

// Copies the regular file localFile into deviceFolder under its own name, or as taken says
// where that name is taken; a folder or a link of that name is never replaced. Counted in
// result; added gets the device path the file went to (or was meant to go to).
void addFileToDevice(FileService& service, const QString& localFile, const std::string& deviceFolder, NameTaken taken,
                     ActionResult& result, std::string& added);

}  // namespace amd
