// The app containers over a simulated device: the user apps, a container read depth first,
// adds that stay inside the container, removals and exports of files and folders.
#include "DeviceFolder.h"
#include "disk/core/DiskDeviceServices.h"
#include "transfer/core/AppContainers.h"

#include <QDir>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace devicetest;
using transfer::ContainerFile;

namespace {

class AppContainersTest : public DeviceTest {
protected:
    void SetUp() override {
        DeviceTest::SetUp();
        device = deviceFolder("phone");
        writeFile(container() + "/Documents/Inbox/.hidden.txt", "hidden");
        writeFile(container() + "/Documents/Inbox/mail.eml", "a mail");
        writeFile(container() + "/Library/Preferences/com.example.notes.plist", "prefs");
        attachAndWait(device);
        index = connected.back();
        out = QString::fromStdString(testsupport::scratchDirectory("export"));
    }
    std::string container() const { return device + "/apps/com.example.notes/container"; }
    std::vector<std::string> entries() {
        std::vector<std::string> paths;
        transfer::readContainer(
            disk::deviceDiskServices(), index, "com.example.notes",
            [&](const transfer::ContainerEntry& e) { paths.push_back(e.path + (e.folder ? "/" : "")); });
        std::sort(paths.begin(), paths.end());
        return paths;
    }
    std::string device;
    int index = 0;
    QString out;
};

}  // namespace

TEST_F(AppContainersTest, UserAppsWithTheirIconsAndAWholeContainer) {
    std::vector<transfer::ContainerApp> apps;
    ASSERT_TRUE(transfer::listUserApps(disk::deviceDiskServices(), index, apps));
    ASSERT_EQ(apps.size(), 1u);  // the system app is left out
    EXPECT_EQ(apps[0].bundleId, "com.example.notes");
    EXPECT_EQ(apps[0].displayName, "Notes Plus");
    EXPECT_FALSE(apps[0].iconPNG.empty());

    const std::vector<std::string> expected = {"/Documents/",
                                               "/Documents/Inbox/",
                                               "/Documents/Inbox/.hidden.txt",
                                               "/Documents/Inbox/mail.eml",
                                               "/Documents/notes.txt",
                                               "/Library/",
                                               "/Library/Caches/",
                                               "/Library/Preferences/",
                                               "/Library/Preferences/com.example.notes.plist",
                                               "/tmp/"};
    EXPECT_EQ(entries(), expected);
    EXPECT_FALSE(transfer::readContainer(disk::deviceDiskServices(), index, "com.example.none", {}));
}

TEST_F(AppContainersTest, AddLandsBesideTheChosenFileAndNeverOutsideTheContainer) {
    const std::string local = testsupport::scratchDirectory("mac") + "/report.pdf";
    writeFile(local, "pdf bytes");
    const disk::ActionResult added =
        transfer::addFileToContainer(disk::deviceDiskServices(), index, "com.example.notes",
                                     QString::fromStdString(local), "/Documents/Inbox/mail.eml");
    EXPECT_TRUE(added.ok()) << added.firstFailureReason;
    EXPECT_EQ(readFile(container() + "/Documents/Inbox/report.pdf"), "pdf bytes");

    EXPECT_EQ(transfer::addTargetPath("/notes.txt", "/x/a.txt"), "/a.txt");
    EXPECT_EQ(transfer::addTargetPath("/Documents/../../etc/passwd", "/x/a.txt"), "");
    EXPECT_EQ(transfer::addTargetPath("Documents/a", "/x/a.txt"), "");
    const disk::ActionResult refused = transfer::addFileToContainer(
        disk::deviceDiskServices(), index, "com.example.notes", QString::fromStdString(local), "/../../x");
    EXPECT_EQ(refused.failures, 1u);
    EXPECT_FALSE(exists(device + "/apps/com.example.notes/report.pdf"));
}

TEST_F(AppContainersTest, RemovesExactlyTheChosenFiles) {
    const disk::ActionResult removed =
        transfer::removeContainerFiles(disk::deviceDiskServices(), index,
                                       {{"com.example.notes", "/Documents/notes.txt"},
                                        {"com.example.notes", "/Documents/Inbox/mail.eml"},
                                        {"com.example.notes", "/Library/Preferences/com.example.notes.plist"}});
    EXPECT_EQ(removed.files, 3u);
    EXPECT_TRUE(removed.ok());
    EXPECT_FALSE(exists(container() + "/Documents/notes.txt"));
    EXPECT_TRUE(exists(container() + "/Documents/Inbox/.hidden.txt"));
}

TEST_F(AppContainersTest, ExportsFilesAtTheirPathsOrFlatAndWholeFolders) {
    const std::vector<ContainerFile> files = {{"com.example.notes", "/Documents/Inbox/.hidden.txt"},
                                              {"com.example.notes", "/Documents/notes.txt"}};
    EXPECT_TRUE(transfer::exportContainerFiles(disk::deviceDiskServices(), index, files, out + "/kept", false).ok());
    EXPECT_EQ(readFile((out + "/kept/Documents/Inbox/hidden.txt").toStdString()), "hidden");
    EXPECT_EQ(readFile((out + "/kept/Documents/notes.txt").toStdString()), "notes of com.example.notes");

    EXPECT_TRUE(transfer::exportContainerFiles(disk::deviceDiskServices(), index, files, out + "/flat", true).ok());
    EXPECT_EQ(readFile((out + "/flat/hidden.txt").toStdString()), "hidden");
    EXPECT_EQ(readFile((out + "/flat/notes.txt").toStdString()), "notes of com.example.notes");

    const disk::ActionResult folder = transfer::exportContainerFolder(
        disk::deviceDiskServices(), index, {"com.example.notes", "/Documents"}, out + "/dir");
    EXPECT_TRUE(folder.ok());
    EXPECT_EQ(folder.files, 3u);
    EXPECT_EQ(readFile((out + "/dir/Documents/Inbox/mail.eml").toStdString()), "a mail");
    EXPECT_EQ(readFile((out + "/dir/Documents/notes.txt").toStdString()), "notes of com.example.notes");
    EXPECT_FALSE(QFileInfo::exists(out + "/dir/Library"));
}
