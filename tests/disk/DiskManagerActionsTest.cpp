// The disk manager's removals and exports against an in-memory device: a refused removal is
// reported and not counted, a book kept as a folder goes whole, exports never overwrite a file
// (same names from two folders, files exported before), an app container is copied whole with
// hidden names shown.
#include "LocalFiles.h"
#include "MemoryDiskDevice.h"
#include "TestSupport.h"
#include "disk/core/DiskManagerActions.h"

#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

namespace fs = std::filesystem;
using disk::ActionResult;
using disk::DiskManagerActions;
using disk::ExportItem;
using localfiles::slurp;
using localfiles::treeOf;

namespace {

class DiskManagerActionsTest : public testsupport::HomeTest {
protected:
    QString out() const { return QString::fromStdString(home.path() + "/Export/Quillomatrix"); }
    MemoryDiskDevice device;
    DiskManagerActions actions{device, 0};
};

TEST_F(DiskManagerActionsTest, RemovalCountsOnlyWhatWentAndTakesBookFoldersWhole) {
    device.media.addFile("/DCIM/100APPLE/IMG_0001.JPG", std::string(1000, 'a'));
    device.media.addFile("/DCIM/100APPLE/IMG_0002.JPG", std::string(2000, 'b'));
    device.media.addFile("/Books/Purchases/Sea.epub/mimetype", "application/epub+zip");
    device.media.addFile("/Books/Purchases/Sea.epub/OEBPS/ch1.xhtml", std::string(300, 'c'));
    device.refusedRemovals.insert("/DCIM/100APPLE/IMG_0002.JPG");

    std::vector<bool> removed;
    const ActionResult result = actions.removeItems(
        {"/DCIM/100APPLE/IMG_0001.JPG", "/DCIM/100APPLE/IMG_0002.JPG", "/Books/Purchases/Sea.epub"}, removed);
    EXPECT_EQ(removed, (std::vector<bool>{true, false, true}));
    EXPECT_EQ(result.files, 2u);
    EXPECT_EQ(result.bytes, 1000u + 20u + 300u);
    EXPECT_EQ(result.failures, 1u);
    EXPECT_EQ(result.firstFailurePath, "/DCIM/100APPLE/IMG_0002.JPG");
    EXPECT_FALSE(device.media.entries.count("/DCIM/100APPLE/IMG_0001.JPG"));
    EXPECT_TRUE(device.media.entries.count("/DCIM/100APPLE/IMG_0002.JPG"));
    EXPECT_FALSE(device.media.entries.count("/Books/Purchases/Sea.epub"));
    EXPECT_TRUE(device.media.entries.count("/Books/Purchases"));

    // Without the device's files nothing goes and every row is named as failed.
    device.mediaAreaStarts = false;
    const ActionResult none = actions.removeItems({"/DCIM/100APPLE/IMG_0002.JPG"}, removed);
    EXPECT_EQ(removed, std::vector<bool>{false});
    EXPECT_EQ(none.bytes, 0u);
    EXPECT_EQ(none.failures, 1u);
}

TEST_F(DiskManagerActionsTest, ExportsNeverOverwriteAndCopyEveryRow) {
    device.media.addFile("/DCIM/100APPLE/IMG_0001.JPG", "first folder");
    device.media.addFile("/DCIM/101APPLE/IMG_0001.JPG", "second folder");
    device.media.addFile("/iTunes_Control/Music/F00/AAAA.m4a", "song a");
    device.media.addFile("/iTunes_Control/Music/F03/BBBB.m4a", "song b");
    const std::string preview = home.path() + "/preview.jpg";
    std::ofstream(preview) << "preview copy";

    // Two photos of one name from two folders, and two tracks of one title.
    const ActionResult photos = actions.exportItems(
        {{"/DCIM/100APPLE/IMG_0001.JPG", "IMG_0001.JPG", {}}, {"/DCIM/101APPLE/IMG_0001.JPG", "IMG_0001.JPG", {}}},
        out());
    ASSERT_TRUE(photos.ok()) << photos.firstFailureReason;
    EXPECT_EQ(photos.files, 2u);
    const fs::path folder = out().toStdString();
    EXPECT_EQ(slurp(folder / "IMG_0001.JPG"), "first folder");
    EXPECT_EQ(slurp(folder / "IMG_0001 (2).JPG"), "second folder");

    // Exported again: the earlier files stay, the new copies get names of their own.
    actions.exportItems({{"/DCIM/100APPLE/IMG_0001.JPG", "IMG_0001.JPG", QString::fromStdString(preview)}}, out());
    EXPECT_EQ(slurp(folder / "IMG_0001.JPG"), "first folder");
    EXPECT_EQ(slurp(folder / "IMG_0001 (3).JPG"), "preview copy");

    const ActionResult tracks = actions.exportItems({{"/iTunes_Control/Music/F00/AAAA.m4a", "Rain.m4a", {}},
                                                     {"/iTunes_Control/Music/F03/BBBB.m4a", "Rain.m4a", {}}},
                                                    out());
    EXPECT_EQ(tracks.files, 2u);
    EXPECT_EQ(slurp(folder / "Rain.m4a"), "song a");
    EXPECT_EQ(slurp(folder / "Rain (2).m4a"), "song b");

    // A device name cannot lead out of the export folder; a refused copy leaves nothing.
    device.media.addFile("/Books/evil.pdf", "pdf");
    device.refusedCopies.insert("/Books/evil.pdf");
    const ActionResult refused = actions.exportItems({{"/Books/evil.pdf", "../../evil.pdf", {}}}, out());
    EXPECT_EQ(refused.failures, 1u);
    EXPECT_FALSE(fs::exists(folder.parent_path() / "evil.pdf"));
    EXPECT_EQ(std::distance(fs::directory_iterator(folder), fs::directory_iterator()), 5);
}

TEST_F(DiskManagerActionsTest, AFolderExportedAgainGoesBesideTheFirstAndNeverIntoIt) {
    device.addApp("com.brightleaf.RecipeBox", "RecipeBox", 100, 200);
    device.containers["com.brightleaf.RecipeBox"].addFile("/.metadata.plist", "meta");
    device.containers["com.brightleaf.RecipeBox"].addFile("/Library/.Trash/old.txt", "old");
    device.containers["com.brightleaf.RecipeBox"].addFile("/Documents/Pasta.mp4", "pasta");
    const QString app = out() + "/RecipeBox";
    const ActionResult first = actions.exportAppContainer("com.brightleaf.RecipeBox", app);
    ASSERT_TRUE(first.ok()) << first.firstFailurePath << ": " << first.firstFailureReason;
    EXPECT_EQ(first.folder, app.toStdString());
    const std::map<std::string, std::string> expected{{"metadata.plist", "F:meta"}, {"Library", "D"},
                                                      {"Library/Trash", "D"},       {"Library/Trash/old.txt", "F:old"},
                                                      {"Documents", "D"},           {"Documents/Pasta.mp4", "F:pasta"}};
    EXPECT_EQ(treeOf(app.toStdString()), expected);
    // A second export keeps the first one's folder as it was and makes one of its own.
    auto& pasta = device.containers["com.brightleaf.RecipeBox"].entries["/Documents/Pasta.mp4"];
    pasta.bytes = "pasta 2";
    pasta.size = pasta.bytes.size();
    const ActionResult second = actions.exportAppContainer("com.brightleaf.RecipeBox", app);
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(second.folder, app.toStdString() + " (2)");
    EXPECT_EQ(treeOf(app.toStdString()), expected);
    EXPECT_EQ(slurp(app.toStdString() + " (2)/Documents/Pasta.mp4"), "pasta 2");
    // A file where the folder would go is left alone: the export takes the next name.
    std::ofstream(app.toStdString() + " (3)") << "the user's notes";
    EXPECT_EQ(actions.exportAppContainer("com.brightleaf.RecipeBox", app).folder, app.toStdString() + " (4)");
    EXPECT_EQ(slurp(app.toStdString() + " (3)"), "the user's notes");

    // A book kept as a folder, exported twice: two whole books, none mixed into the other.
    device.media.addFile("/Books/Purchases/Trip.epub/mimetype", "application/epub+zip");
    device.media.addFile("/Books/Purchases/Trip.epub/OEBPS/content.opf", "<package/>");
    for (int i = 0; i < 2; ++i)
        ASSERT_TRUE(actions.exportItems({{"/Books/Purchases/Trip.epub", "Trip.epub", {}}}, out()).ok());
    const std::map<std::string, std::string> book{
        {"mimetype", "F:application/epub+zip"}, {"OEBPS", "D"}, {"OEBPS/content.opf", "F:<package/>"}};
    EXPECT_EQ(treeOf(out().toStdString() + "/Trip.epub"), book);
    EXPECT_EQ(treeOf(out().toStdString() + "/Trip (2).epub"), book);

    EXPECT_FALSE(actions.exportAppContainer("com.example.Missing", out() + "/Missing").ok());
}

}  // namespace
