// Backups the browser tests make for themselves with the fixture makers: property lists, the
// personal databases of a chosen size and a few files of the camera roll and home domains.
#pragma once

#include "SampleBackup.h"
#include "browser/core/PRBackupScanJob.h"

#include <string>

namespace browsertest {

struct MadeBackup {
    std::string folder;
    samplebackup::SampleDevice device;
    sampledb::SampleData data;
};

inline MadeBackup makeBackup(const std::string& folder, const std::string& name, const sampledb::SampleSize& size) {
    MadeBackup made;
    made.folder = folder;
    made.device = samplebackup::sampleIPhone();
    made.device.name = name;
    made.device.udid = name;
    made.data = sampledb::makeSampleData(size);
    std::vector<samplebackup::BackupItem> items = {
        {"CameraRollDomain", "Media", "", true},
        {"CameraRollDomain", "Media/DCIM/100APPLE/IMG_0001.JPG", std::string(2048, 'j')},
        {"CameraRollDomain", "Media/DCIM/100APPLE/IMG_0002.MOV", std::string(4096, 'm')},
        {"HomeDomain", "Library/Preferences/com.apple.springboard.plist", "<plist/>"},
    };
    samplebackup::addFilesToBackup(folder, items);
    samplebackup::addSampleDatabases(folder, samplebackup::sampleDatabaseSchemas(), size);
    samplebackup::writeBackupPropertyLists(folder, made.device);
    return made;
}

inline sampledb::SampleSize smallSize(int contacts, int messages) {
    sampledb::SampleSize size;
    size.contacts = contacts;
    size.conversations = 6;
    size.messages = messages;
    size.calls = 25;
    size.notes = 7;
    size.history = 9;
    size.calendarItems = 11;
    size.photos = false;
    return size;
}

inline PRBackupScanRequest requestFor(const MadeBackup& made) {
    return PRBackupScanRequest{made.folder, made.device.name, true, false};
}

}  // namespace browsertest
