// What the device file actions do with links, special files and a device that leaves, against a
// simulated device through the device layer: removal takes a link as the link and never what it
// points at, a full folder removed as a row stays, and an export names everything it did not
// copy (a link, a FIFO, a name that is not text, a folder that cannot be listed, every entry
// left when the device went) instead of reporting it as done.
#include "DeviceFolder.h"
#include "HostileFiles.h"
#include "clean/core/JunkFileActions.h"
#include "device/ExportWalk.h"
#include "disk/core/DiskManagerActions.h"
#include "disk/core/FileBrowserActions.h"
#include "platform/MobileDevice.h"
#include "platform/SimulatedDevices.h"

#include <QString>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <unistd.h>

namespace fs = std::filesystem;
using devicetest::exists;
using devicetest::writeFile;

namespace {

class DeviceFileSafetyTest : public devicetest::DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        folder = deviceFolder("device");
        media = folder + "/media";
        for (const char* name : {"IMG_0002.JPG", "IMG_0003.JPG"})
            writeFile(media + "/DCIM/100APPLE/" + name, std::string(100, 'j'));
        simId = attachAndWait(folder);
        index = connected.back();
    }

    std::set<std::string> filesBelow(const std::string& root) {
        std::set<std::string> names;
        for (const auto& e : fs::recursive_directory_iterator(root))
            if (!e.is_directory()) names.insert(fs::relative(e.path(), root).string());
        return names;
    }

    std::string folder, media;
    int simId = 0, index = -1;
};

// A file service that takes the device away after a number of copies, as a cable pulled mid-export.
class PulledAfter final : public amd::FileService {
public:
    PulledAfter(std::unique_ptr<amd::FileService> inner, int simId, int copies)
        : inner_(std::move(inner)), simId_(simId), left_(copies) {}
    bool ListDirectory(const std::string& p, std::vector<std::string>& n) override {
        return inner_->ListDirectory(p, n);
    }
    bool FileInfo(const std::string& p, amd::FileEntry& e) override { return inner_->FileInfo(p, e); }
    int CopyToLocal(const std::string& d, files::NewFile& into) override {
        if (left_-- == 0) simdevice::detach(simId_);
        return inner_->CopyToLocal(d, into);
    }

private:
    std::unique_ptr<amd::FileService> inner_;
    int simId_, left_;
};

}  // namespace

TEST_F(DeviceFileSafetyTest, RemovalTakesALinkAsTheLinkAndNeverWhatItPointsAt) {
    // A junk folder holding a link to the camera roll, removed whole from the disk manager.
    writeFile(media + "/junk/old.tmp", "old");
    ASSERT_EQ(::symlink("../DCIM", (media + "/junk/camera").c_str()), 0);
    const std::set<std::string> cameraRoll = filesBelow(media + "/DCIM");
    std::vector<bool> removed;
    disk::DiskManagerActions actions(disk::deviceDiskServices(), index);
    const disk::ActionResult whole = actions.removeItems({"/junk"}, removed);
    EXPECT_TRUE(whole.ok()) << whole.firstFailurePath << ": " << whole.firstFailureReason;
    EXPECT_EQ(removed, std::vector<bool>{true});
    EXPECT_FALSE(fs::exists(fs::symlink_status(media + "/junk")));
    EXPECT_EQ(filesBelow(media + "/DCIM"), cameraRoll);
    EXPECT_EQ(whole.bytes, 3u);  // old.tmp alone

    // A folder row of the user-data view: only an empty folder goes; a full one stays, said why.
    fs::create_directories(media + "/Empty");
    const disk::ActionResult rows = actions.removeItems({"/DCIM/100APPLE", "/Empty"}, removed, false);
    EXPECT_EQ(removed, (std::vector<bool>{false, true}));
    EXPECT_EQ(rows.failures, 1u);
    EXPECT_EQ(rows.firstFailurePath, "/DCIM/100APPLE");
    EXPECT_NE(rows.firstFailureReason.find("not empty"), std::string::npos) << rows.firstFailureReason;
    EXPECT_EQ(filesBelow(media + "/DCIM"), cameraRoll);

    // The junk clean of an app's temporary folder: a link in it goes, its Documents stay.
    const std::string container = folder + "/apps/com.example.notes/container";
    writeFile(container + "/tmp/cache.bin", "cache");
    ASSERT_EQ(::symlink("../Documents", (container + "/tmp/docs").c_str()), 0);
    const clean::ActionResult junk =
        clean::JunkFileActions(clean::deviceCleanServices(), index).actRemoveDirNode("com.example.notes", "Junk");
    EXPECT_TRUE(junk.ok()) << junk.failureDetail().toStdString();
    EXPECT_EQ(junk.files, 2u);
    EXPECT_FALSE(fs::exists(fs::symlink_status(container + "/tmp/docs")));
    EXPECT_EQ(devicetest::readFile(container + "/Documents/notes.txt"), "notes of com.example.notes");
}

TEST_F(DeviceFileSafetyTest, AnExportNamesEveryEntryItDidNotCopy) {
    writeFile(media + "/Export/a.txt", "a");
    writeFile(media + "/Export/sub/b.txt", "b");
    ASSERT_TRUE(testsupport::makeFifo(media + "/Export/pipe"));
    ASSERT_EQ(::symlink("../DCIM", (media + "/Export/camera").c_str()), 0);
    writeFile(media + "/Export/bad\xff\xfe.txt", "not text");
    const QString out = QString::fromStdString(home.path() + "/exported");

    disk::FileBrowserActions browser(disk::deviceDiskServices(), index);
    const disk::ActionResult result = browser.exportEntries({"/Export"}, out);
    EXPECT_EQ(result.files, 3u);
    EXPECT_EQ(result.failures, 2u);  // the FIFO and the link
    // A name that is not text keeps its bytes on the device and lands under one the disk holds.
    EXPECT_EQ(filesBelow(out.toStdString()),
              (std::set<std::string>{"Export/a.txt", "Export/sub/b.txt", "Export/bad\uFFFD\uFFFD.txt"}));
    // The listing gives that name's own bytes, and a removal by them takes that very file.
    std::vector<std::string> names;
    ASSERT_TRUE(disk::deviceDiskServices().startMediaArea(index)->ListDirectory("/Export", names));
    EXPECT_EQ(std::count(names.begin(), names.end(), "bad\xff\xfe.txt"), 1);
    std::vector<bool> removed;
    EXPECT_TRUE(browser.removeFiles({"/Export/bad\xff\xfe.txt"}, removed).ok());
    EXPECT_FALSE(fs::exists(media + "/Export/bad\xff\xfe.txt"));

    // A folder the device will not list is a failure, not an empty folder reported as done.
    simdevice::failCall(simId, "AFCDirectoryOpen", kAFCPermissionDeniedError, 1);
    const disk::ActionResult unlisted = browser.exportEntries({"/DCIM"}, out + "2");
    simdevice::failCall(simId, "AFCDirectoryOpen", 0);
    EXPECT_EQ(unlisted.failures, 1u);
    EXPECT_EQ(unlisted.firstFailurePath, "/DCIM/100APPLE");
    EXPECT_EQ(unlisted.firstFailureReason, "not copied: the folder cannot be listed");
}

TEST_F(DeviceFileSafetyTest, ADevicePulledMidExportCountsEveryEntryNotTried) {
    for (int i = 0; i < 10; ++i) writeFile(media + "/Many/f" + std::to_string(i) + ".bin", std::string(10, 'x'));
    auto service = disk::deviceDiskServices().startMediaArea(index);
    ASSERT_TRUE(service);
    PulledAfter pulled(std::move(service), simId, 3);
    amd::ExportWalk walk(pulled, QString::fromStdString(home.path() + "/pulled"));
    walk.traverseExportDirWithpath("/Many");
    EXPECT_TRUE(walk.deviceLeft());
    EXPECT_EQ(walk.result().files, 3u);
    EXPECT_EQ(walk.result().failures, 7u);  // the copy cut short and the six never tried
    EXPECT_EQ(filesBelow(home.path() + "/pulled").size(), 3u);
}
