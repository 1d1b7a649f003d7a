// The device folder tree that a stream of device paths makes.
#include "disk/PRSystemLibTreeController.h"

#include <gtest/gtest.h>

namespace {

PRPhoneSystemDirNodePtr item(const QString& path, const QString& size = QString()) {
    auto node = PRPhoneSystemDirNode::create();
    node->filePath = path;
    node->fileSize = size;
    node->isFile = !size.isEmpty();
    return node;
}

QStringList names(const std::vector<PRPhoneSystemDirNodePtr>& level) {
    QStringList out;
    for (const auto& folder : level) out << folder->fileDirName;
    return out;
}

TEST(PRSystemLibTreeController, TheRootStandsForSlashAndFoldersGrowBelowIt) {
    PRSystemLibTreeController tree;
    int refreshed = 0;
    tree.setRefreshOutlineHandler([&refreshed] { ++refreshed; });
    tree.addTreeNode(item("/a.txt", "1.00KB"));
    ASSERT_EQ(tree.content().size(), 1u);
    PRPhoneSystemDirNodePtr root = tree.content()[0];
    EXPECT_EQ(root->fileDirName, "System");
    EXPECT_EQ(root->fileType, "Folder");
    EXPECT_TRUE(root->isLeaf);
    ASSERT_EQ(root->fileChildren().size(), 1u);
    EXPECT_EQ(root->fileChildren()[0]->fileName, "a.txt");
    EXPECT_EQ(root->fileChildren()[0]->fileType, "File");
    EXPECT_EQ(refreshed, 1);

    tree.addTreeNode(item("/DCIM/x.jpg", "2.00KB"));
    EXPECT_FALSE(root->isLeaf);
    ASSERT_EQ(root->children().size(), 1u);
    PRPhoneSystemDirNodePtr dcim = root->children()[0];
    EXPECT_EQ(dcim->fileDirName, "DCIM");
    EXPECT_TRUE(dcim->isLeaf);
    EXPECT_EQ(dcim->parent.lock(), root);
    ASSERT_EQ(dcim->fileChildren().size(), 1u);
    EXPECT_EQ(dcim->fileChildren()[0]->filePath, "/DCIM/x.jpg");
    EXPECT_EQ(dcim->fileChildren()[0]->parent.lock(), dcim);
    EXPECT_EQ(refreshed, 2);

    // Placed inside existing folders: nothing is created, nothing re-arranged.
    tree.addTreeNode(item("/DCIM/y.jpg", "3.00KB"));
    tree.addTreeNode(item("/DCIM"));
    EXPECT_EQ(refreshed, 2);
    EXPECT_EQ(dcim->fileChildren().size(), 2u);
    ASSERT_EQ(root->fileChildren().size(), 2u);
    EXPECT_EQ(root->fileChildren()[1]->fileType, "Folder");  // the folder itself, as an entry
}

TEST(PRSystemLibTreeController, FoldersSortAsAPersonReadsThemAndEntriesKeepArrivalOrder) {
    PRSystemLibTreeController tree;
    for (const char* path : {"/b/f", "/a/f", "/C/f", "/b/e", "/Zeta/q", "/alpha/q"})
        tree.addTreeNode(item(path, "1.00bytes"));
    PRPhoneSystemDirNodePtr root = tree.content()[0];
    EXPECT_EQ(names(root->children()), (QStringList{"a", "alpha", "b", "C", "Zeta"}));
    const auto& b = root->children()[2];
    ASSERT_EQ(b->fileChildren().size(), 2u);
    EXPECT_EQ(b->fileChildren()[0]->fileName, "f");
    EXPECT_EQ(b->fileChildren()[1]->fileName, "e");
}

TEST(PRSystemLibTreeController, LeadingDotsAreDroppedFromNamesNotFromPaths) {
    PRSystemLibTreeController tree;
    EXPECT_EQ(PRSystemLibTreeController::treePathOf("/DCIM/.MISC/Info.plist"), "System/DCIM/MISC/Info.plist");
    tree.addTreeNode(item("/Photos/.hidden/x", "1.00KB"));
    tree.addTreeNode(item("/Photos/hidden/y", "1.00KB"));
    tree.addTreeNode(item("/.Trashes/z", "1.00KB"));
    PRPhoneSystemDirNodePtr root = tree.content()[0];
    EXPECT_EQ(names(root->children()), (QStringList{"Photos", "Trashes"}));
    const auto& photos = root->children()[0];
    ASSERT_EQ(photos->children().size(), 1u);
    const auto& hidden = photos->children()[0];
    EXPECT_EQ(hidden->fileDirName, "hidden");
    ASSERT_EQ(hidden->fileChildren().size(), 2u);
    EXPECT_EQ(hidden->fileChildren()[0]->filePath, "/Photos/.hidden/x");
    EXPECT_EQ(hidden->fileChildren()[1]->filePath, "/Photos/hidden/y");
}

TEST(PRSystemLibTreeController, DeepPathsMakeEveryFolderOnTheWayAndTheModelFollows) {
    PRSystemLibTreeController tree;
    tree.addTreeNode(item("/PhotoData/Thumbnails/V2/DCIM/100APPLE/IMG_0001.JPG/5005.JPG", "9.00KB"));
    tree.addTreeNode(item("/PhotoData/Thumbnails/V2/DCIM/100APPLE/IMG_0002.JPG/5005.JPG", "9.00KB"));
    QModelIndex index = tree.index(0, 0);
    QStringList chain;
    while (index.isValid()) {
        chain << index.data().toString();
        EXPECT_EQ(tree.nodeForIndex(index).get(), static_cast<PRPhoneSystemDirNode*>(index.internalPointer()));
        EXPECT_EQ(tree.parent(tree.index(0, 0, index)), tree.rowCount(index) ? index : QModelIndex());
        index = tree.index(0, 0, index);
    }
    EXPECT_EQ(chain, (QStringList{"System", "PhotoData", "Thumbnails", "V2", "DCIM", "100APPLE", "IMG_0001.JPG"}));
    QModelIndex apple = tree.indexForNode(
        tree.content()[0]->children()[0]->children()[0]->children()[0]->children()[0]->children()[0].get());
    EXPECT_EQ(apple.data().toString(), "100APPLE");
    EXPECT_EQ(tree.rowCount(apple), 2);
    EXPECT_FALSE(tree.nodeForIndex(apple)->isLeaf);

    tree.removeAllContent();
    EXPECT_EQ(tree.rowCount(), 0);
    tree.addTreeNode(item("/PhotoData/x", "1.00KB"));
    EXPECT_EQ(tree.content()[0]->children()[0]->fileChildren().size(), 1u);
}

}  // namespace
