// The file browser's export walk and actions against an in-memory device: a folder export
// recreates the device folder byte for byte, hostile device names never lead outside the
// chosen folder, failed copies leave nothing behind and are named, preview copies are kept per
// device path and made again after a failure, removals and additions report what the device did.
#include "LocalFiles.h"
#include "MemoryDiskDevice.h"
#include "TestSupport.h"
#include "device/ExportWalk.h"
#include "disk/core/FileBrowserActions.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <set>

namespace fs = std::filesystem;
using disk::ActionResult;
using disk::BrowserFile;
using disk::FileBrowserActions;

namespace {

using localfiles::slurp;
using localfiles::treeOf;

class FileBrowserCoreTest : public testsupport::HomeTest {
protected:
    std::string out() const { return home.path() + "/out"; }
    MemoryDiskDevice device;
};

TEST_F(FileBrowserCoreTest, AFolderExportRecreatesTheDeviceFolderByteForByte) {
    device.media.addFile("/Downloads/Guide.pdf", std::string(70000, 'g') + "end");
    device.media.addFile("/Downloads/Archive/2014/05/Receipts/r1.txt", "receipt one\n");
    device.media.addFile("/Downloads/Archive/2014/05/Receipts/empty.txt", "");
    device.media.addFile("/Downloads/Archive/.Trash/old.bin", std::string("\0\1\2", 3));
    device.media.addFolder("/Downloads/Archive/Empty Folder");
    device.media.addFile("/DCIM/100APPLE/IMG_0001.JPG", "not this one");

    FileBrowserActions actions(device, 0);
    const ActionResult result =
        actions.exportEntries({"/Downloads/Guide.pdf", "/Downloads/Archive"}, QString::fromStdString(out()));
    EXPECT_TRUE(result.ok()) << result.firstFailurePath << ": " << result.firstFailureReason;
    EXPECT_EQ(result.files, 4u);
    EXPECT_EQ(result.bytes, 70003u + 12 + 3);

    // The dot of ".Trash" is dropped, as every folder export does.
    const std::map<std::string, std::string> expected = {
        {"Downloads", "D"},
        {"Downloads/Guide.pdf", "F:" + std::string(70000, 'g') + "end"},
        {"Downloads/Archive", "D"},
        {"Downloads/Archive/2014", "D"},
        {"Downloads/Archive/2014/05", "D"},
        {"Downloads/Archive/2014/05/Receipts", "D"},
        {"Downloads/Archive/2014/05/Receipts/r1.txt", "F:receipt one\n"},
        {"Downloads/Archive/2014/05/Receipts/empty.txt", "F:"},
        {"Downloads/Archive/Trash", "D"},
        {"Downloads/Archive/Trash/old.bin", "F:" + std::string("\0\1\2", 3)},
        {"Downloads/Archive/Empty Folder", "D"},
    };
    EXPECT_EQ(treeOf(out()), expected);
}

TEST_F(FileBrowserCoreTest, HostileDeviceNamesStayInsideTheChosenFolder) {
    const std::string longName(300, 'n');
    device.media.addFolder("/Evil");
    device.media.addChild("/Evil", "..", {false, "climbs", 6, {}});
    device.media.addChild("/Evil", ".", {false, "dot", 3, {}});
    device.media.addChild("/Evil", "a/b", {false, "slash", 5, {}});
    device.media.addChild("/Evil", "", {false, "empty", 5, {}});
    device.media.addChild("/Evil", longName, {false, "long", 4, {}});
    device.media.addChild("/Evil", "..more", {false, "fine", 4, {}});
    device.media.addFile("/Evil/ok.txt", "ok");

    const fs::path root = fs::path(home.path()) / "chosen" / "inner";
    fs::create_directories(root);
    FileBrowserActions actions(device, 0);
    const ActionResult result = actions.exportEntries({"/Evil"}, QString::fromStdString(root.string()));

    // Nothing beside the chosen folder.
    std::set<std::string> besides;
    for (const auto& e : fs::directory_iterator(root.parent_path())) besides.insert(e.path().filename().string());
    EXPECT_EQ(besides, std::set<std::string>{"inner"});
    for (const auto& e : fs::recursive_directory_iterator(fs::path(home.path())))
        if (e.is_regular_file()) {
            EXPECT_EQ(slurp(e.path()).find("climbs"), std::string::npos) << e.path();
        }
    // The ordinary files and the names made safe are there; a name longer than a disk takes is
    // cut to what it takes.
    EXPECT_EQ(slurp(root / "Evil/ok.txt"), "ok");
    EXPECT_EQ(slurp(root / "Evil/more"), "fine");  // never hidden: the leading dots dropped, as for every name
    EXPECT_EQ(slurp(root / "Evil/a/b"), "slash");
    EXPECT_EQ(slurp(root / "Evil" / longName.substr(0, 255)), "long");
    EXPECT_EQ(result.failures, 0u) << result.firstFailureReason;
}

TEST_F(FileBrowserCoreTest, AFailedCopyLeavesNoFileAndTheWalkGoesOn) {
    device.media.addFile("/Docs/a.txt", "aaaa");
    device.media.addFile("/Docs/b.txt", "bbbb");
    device.media.addFile("/Docs/c.txt", "cccc");
    device.refusedCopies = {"/Docs/b.txt"};
    FileBrowserActions actions(device, 0);
    const ActionResult result = actions.exportEntries({"/Docs"}, QString::fromStdString(out()));
    EXPECT_EQ(result.files, 2u);
    EXPECT_EQ(result.failures, 1u);
    EXPECT_EQ(result.firstFailurePath, "/Docs/b.txt");
    EXPECT_TRUE(fs::exists(out() + "/Docs/c.txt"));
    EXPECT_FALSE(fs::exists(out() + "/Docs/b.txt"));

    device.mediaAreaStarts = false;
    const ActionResult none = actions.exportEntries({"/Docs"}, QString::fromStdString(out() + "2"));
    EXPECT_EQ(none.failures, 1u);
    EXPECT_FALSE(fs::exists(out() + "2"));
}

TEST_F(FileBrowserCoreTest, FileExportsMakeTheFolderCopyEveryFileAndKeepTheUsersOwn) {
    device.media.addFile("/DCIM/.MISC/x.dat", "xdata");
    device.media.addFile("/Downloads/b.pdf", "pdf!");
    const std::string target = out() + "/made/here";
    fs::create_directories(target);
    std::ofstream(target + "/b.pdf") << "old and longer";
    FileBrowserActions actions(device, 0);
    const ActionResult result =
        // The size seen in the listing may be out of date: the device's own is copied whole.
        actions.exportFiles({{"/DCIM/.MISC/x.dat", 5, {}}, {"/Downloads/b.pdf", 999, {}}},
                            QString::fromStdString(target));
    EXPECT_TRUE(result.ok());
    EXPECT_EQ(slurp(target + "/x.dat"), "xdata");
    // The user's own file of that name stays as it was; the copy takes the next free name.
    EXPECT_EQ(slurp(target + "/b.pdf"), "old and longer");
    EXPECT_EQ(slurp(target + "/b (2).pdf"), "pdf!");

    // A preview's copy is used instead of reading the device file again, while the device still
    // has the file copied; once it changed, the device is read.
    disk::PreviewCopies copies(QString::fromStdString(out() + "/DB"));
    ActionResult made;
    const QString copy = copies.localCopy(device, 0, {"/Downloads/b.pdf", 4, {}}, made);
    ASSERT_FALSE(copy.isEmpty());
    device.refusedCopies = {"/Downloads/b.pdf"};
    const ActionResult fromCopy =
        actions.exportFiles({{"/Downloads/b.pdf", 4, copy}}, QString::fromStdString(out() + "/new"));
    EXPECT_TRUE(fromCopy.ok());
    EXPECT_EQ(slurp(out() + "/new/b.pdf"), "pdf!");
    device.refusedCopies.clear();
    device.media.addFile("/Downloads/b.pdf", "replaced");
    const ActionResult fromDevice =
        actions.exportFiles({{"/Downloads/b.pdf", 4, copy}}, QString::fromStdString(out() + "/newer"));
    EXPECT_TRUE(fromDevice.ok());
    EXPECT_EQ(slurp(out() + "/newer/b.pdf"), "replaced");
}

TEST_F(FileBrowserCoreTest, PreviewCopiesArePerDevicePathAndRetriedAfterAFailure) {
    device.media.addFile("/A/IMG.JPG", "first");
    device.media.addFile("/B/IMG.JPG", "second");
    disk::PreviewCopies copies(QString::fromStdString(out() + "/DB"));

    device.refusedCopies = {"/A/IMG.JPG"};
    ActionResult failed;
    EXPECT_TRUE(copies.localCopy(device, 0, {"/A/IMG.JPG", 5, {}}, failed).isEmpty());
    EXPECT_EQ(failed.failures, 1u);
    EXPECT_TRUE(copies.madeCopy("/A/IMG.JPG").isEmpty());

    device.refusedCopies.clear();
    ActionResult ok;
    const QString a = copies.localCopy(device, 0, {"/A/IMG.JPG", 5, {}}, ok);
    const QString b = copies.localCopy(device, 0, {"/B/IMG.JPG", 6, {}}, ok);
    EXPECT_TRUE(ok.ok());
    EXPECT_NE(a, b);
    EXPECT_EQ(slurp(a.toStdString()), "first");
    EXPECT_EQ(slurp(b.toStdString()), "second");

    // Made once: the device file is not read again while it is the one copied.
    device.refusedCopies = {"/A/IMG.JPG"};
    EXPECT_EQ(copies.localCopy(device, 0, {"/A/IMG.JPG", 5, {}}, ok), a);
    device.refusedCopies.clear();
    // A copy of another size than the row's, or one forgotten (the program replaced or removed the
    // file), is none; the device file changed, it is read again.
    EXPECT_TRUE(copies.madeCopy("/A/IMG.JPG", 9).isEmpty());
    copies.forget("/B/IMG.JPG");
    EXPECT_TRUE(copies.madeCopy("/B/IMG.JPG").isEmpty());
    device.media.addFile("/A/IMG.JPG", "first, replaced");
    EXPECT_EQ(slurp(copies.localCopy(device, 0, {"/A/IMG.JPG", 15, {}}, ok).toStdString()), "first, replaced");
    // A copy deleted since is made again.
    fs::remove(a.toStdString());
    EXPECT_TRUE(copies.madeCopy("/A/IMG.JPG").isEmpty());
}

TEST_F(FileBrowserCoreTest, RemovalsAndAdditionsSayWhatTheDeviceDid) {
    device.media.addFile("/Downloads/a.txt", "aaa");
    device.media.addFile("/Downloads/b.txt", "bb");
    device.refusedRemovals = {"/Downloads/b.txt"};
    FileBrowserActions actions(device, 0);
    std::vector<bool> removed;
    const ActionResult result = actions.removeFiles({"/Downloads/a.txt", "/Downloads/b.txt"}, removed);
    EXPECT_EQ(removed, (std::vector<bool>{true, false}));
    EXPECT_EQ(result.bytes, 3u);
    EXPECT_EQ(result.firstFailurePath, "/Downloads/b.txt");
    EXPECT_FALSE(device.media.entries.count("/Downloads/a.txt"));

    EXPECT_EQ(FileBrowserActions::addedFilePath("/Downloads/b.pdf", "/home/u/a.txt"), "/Downloads/a.txt");
    std::ofstream(out() + ".txt") << "added bytes";
    std::string added;
    const ActionResult add = actions.addFile(QString::fromStdString(out() + ".txt"), "/Downloads", added);
    EXPECT_TRUE(add.ok());
    EXPECT_EQ(added, "/Downloads/out.txt");
    EXPECT_EQ(device.media.entries["/Downloads/out.txt"].bytes, "added bytes");
    const ActionResult missing = actions.addFile(QString::fromStdString(out() + "-gone"), "/Downloads", added);
    EXPECT_EQ(missing.failures, 1u);
    EXPECT_EQ(actions.addFile(QString::fromStdString(out() + ".txt"), "/NoSuchFolder", added).failures, 1u);
}

}  // namespace
