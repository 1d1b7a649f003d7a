#include "FakeCleanDevice.h"
#include "TestSupport.h"
#include "clean/core/JunkFileActions.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <atomic>
#include <gtest/gtest.h>
#include <thread>

using namespace clean;

namespace {

const std::string kMail = "com.example.mail";

DeviceFileRef ref(const QString& path, const std::string& bundle, uint64_t size) {
    DeviceFileRef r;
    r.filePath = path;
    r.appBundleName = QString::fromStdString(bundle);
    r.size = size;
    return r;
}

QStringList filesBelow(const QString& root) {
    QStringList out;
    QDirIterator it(root, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext()) out << QDir(root).relativeFilePath(it.next());
    out.sort();
    return out;
}

class ActionsTest : public testsupport::HomeTest {
protected:
    ActionsTest() {
        device.addApp(kMail, "Mail");
        device.addFile(kMail, "/Library/Caches/a.db", 300);
        device.addFile(kMail, "/Library/Caches/x/y", 50);
        device.addFile(kMail, "/Library/Caches/x/z", 7);
        device.addFile(kMail, "/Library/Cookies/c", 40);
        device.addFile(kMail, "/tmp/t", 1);
        device.addFile(FakeCleanDevice::kMedia, "/iTunes_Control/Sync/s", 9);
    }
    FakeCleanDevice device;
    JunkFileActions actions{device, 0};
};

TEST_F(ActionsTest, RemovingOneFileReportsWhatTheDeviceDid) {
    ActionResult done = actions.actRemoveTheNode(ref("/Library/Caches/a.db", kMail, 300));
    EXPECT_TRUE(done.ok());
    EXPECT_EQ(done.bytes, 300u);
    EXPECT_FALSE(device.exists(kMail, "/Library/Caches/a.db"));

    // Without a bundle identifier the file is the media area's.
    EXPECT_TRUE(actions.actRemoveTheNode(ref("/iTunes_Control/Sync/s", "", 9)).ok());
    EXPECT_FALSE(device.exists(FakeCleanDevice::kMedia, "/iTunes_Control/Sync/s"));

    device.refuseRemoval(kMail, "/tmp/t");
    ActionResult refused = actions.actRemoveTheNode(ref("/tmp/t", kMail, 1));
    EXPECT_FALSE(refused.ok());
    EXPECT_EQ(refused.files, 0u);
    EXPECT_EQ(refused.bytes, 0u);
    EXPECT_TRUE(device.exists(kMail, "/tmp/t"));

    device.failContainer(kMail);
    EXPECT_TRUE(actions.actRemoveTheNode(ref("/Library/Cookies/c", kMail, 40)).serviceFailed);
}

TEST_F(ActionsTest, RemovingAFolderRowEmptiesItsCategoryFolderButKeepsFolders) {
    device.refuseRemoval(kMail, "/Library/Caches/x/z");
    ActionResult done = actions.actRemoveDirNode(QString::fromStdString(kMail), "Cache");
    EXPECT_EQ(done.files, 2u);
    EXPECT_EQ(done.bytes, 350u);
    EXPECT_EQ(done.failures, 1u);
    EXPECT_EQ(device.filesUnder(kMail, "/Library/Caches"), std::vector<std::string>{"/Library/Caches/x/z"});
    EXPECT_TRUE(device.exists(kMail, "/Library/Caches"));
    EXPECT_TRUE(device.exists(kMail, "/Library/Caches/x"));
    // Other categories are untouched.
    EXPECT_TRUE(device.exists(kMail, "/Library/Cookies/c"));
    EXPECT_TRUE(device.exists(kMail, "/tmp/t"));

    EXPECT_TRUE(actions.actRemoveDirNode(QString::fromStdString(kMail), "Junk").ok());
    EXPECT_FALSE(device.exists(kMail, "/tmp/t"));
    EXPECT_EQ(categoryFolderOf("Cook"), "/Library/Cookies");
    EXPECT_TRUE(categoryFolderOf("Other").isEmpty());
}

TEST_F(ActionsTest, ExportsKeepDevicePathsInsideTheChosenFolder) {
    const QString target = QString::fromStdString(testsupport::scratchDirectory("export")) + "/Chosen";
    ActionResult done = actions.exportCategoryFolder(QString::fromStdString(kMail), "/Library/Caches", target);
    EXPECT_TRUE(done.ok());
    EXPECT_EQ(filesBelow(target), (QStringList{"Library/Caches/a.db", "Library/Caches/x/y", "Library/Caches/x/z"}));
    EXPECT_EQ(QFileInfo(target + "/Library/Caches/a.db").size(), 300);
}

TEST_F(ActionsTest, NamesFromTheDeviceCannotEscapeTheChosenFolder) {
    const QString scratch = QString::fromStdString(testsupport::scratchDirectory("escape"));
    const QString target = scratch + "/Chosen";
    device.addRawFile(kMail, "/Library/Caches", "..", 3);
    device.addRawFile(kMail, "/tmp", "../../../evil", 4);
    device.addRawFile(kMail, "/tmp", ".hidden", 5);

    ActionResult folder = actions.exportCategoryFolder(QString::fromStdString(kMail), "/tmp", target);
    EXPECT_EQ(folder.files, 3u);
    EXPECT_TRUE(folder.ok());
    ActionResult one = actions.actExportTheNode(ref("/Library/Caches/..", kMail, 3), target + "/one");
    EXPECT_TRUE(one.ok());
    ActionResult two = actions.actExportTheNode(ref("/tmp/../../../evil", kMail, 4), target + "/one");
    EXPECT_TRUE(two.ok());

    // Everything landed inside the chosen folder, nothing beside it.
    EXPECT_EQ(filesBelow(scratch).filter(QRegularExpression("^Chosen/")).size(), filesBelow(scratch).size());
    EXPECT_TRUE(filesBelow(target).contains("one/_"));  // a name of dots alone is "_"
    EXPECT_TRUE(filesBelow(target).contains("one/evil"));
    EXPECT_TRUE(filesBelow(target).contains("tmp/hidden"));
    EXPECT_TRUE(filesBelow(target).contains("tmp/_/_/_/evil"));
}

TEST(LocalPaths, EveryComponentStaysBelowTheRoot) {
    EXPECT_EQ(localPathUnder("/r", "/Library/Caches/a"), "/r/Library/Caches/a");
    EXPECT_EQ(localPathUnder("/r/", "/a/../../b"), "/r/a/_/_/b");
    EXPECT_EQ(localPathUnder("/r", "/x/.."), "/r/x/_");
    // Never hidden, never climbing.
    EXPECT_EQ(safeLocalName(".."), "_");
    EXPECT_EQ(safeLocalName("../../x"), "_.._x");
    EXPECT_EQ(safeLocalName(".profile"), "profile");
    EXPECT_EQ(safeLocalName(""), "_");
    EXPECT_EQ(safeLocalName("a/b"), "a_b");
}

TEST_F(ActionsTest, EmptyFilesAndLocalCopiesExportToo) {
    const QString target = QString::fromStdString(testsupport::scratchDirectory("misc"));
    device.addFile(kMail, "/tmp/empty", 0);
    EXPECT_TRUE(actions.actExportTheNode(ref("/tmp/empty", kMail, 0), target).ok());
    EXPECT_TRUE(QFileInfo::exists(target + "/empty"));

    const QString local = target + "/local-copy";
    QFile f(local);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("abc");
    f.close();
    const int started = device.servicesStarted();
    DeviceFileRef copied = ref("/Library/Caches/gone.db", kMail, 3);
    copied.btransfer = true;
    copied.transferPath = local;
    EXPECT_TRUE(actions.actExportTheNode(copied, target + "/out").ok());
    EXPECT_EQ(device.servicesStarted(), started);  // the device was not asked
    EXPECT_EQ(QFileInfo(target + "/out/gone.db").size(), 3);

    // A device file that cannot be read is a failure, not an export.
    EXPECT_FALSE(actions.actExportTheNode(ref("/tmp/missing", kMail, 5), target).ok());
}

}  // namespace
