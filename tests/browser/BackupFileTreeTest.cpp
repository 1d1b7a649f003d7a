// The backup-file tree: where records are filed, in what order, and the three-state marks.
#include "TestSupport.h"
#include "browser/core/PRBackupFileTree.h"

#include <fstream>

namespace {

PRTreeDirNode record(const std::string& domain, const std::string& path, const std::string& key = {}) {
    PRTreeDirNode r;
    r.setFileDomain(domain);
    r.setFilePath(path);
    r.setFileKey(key);
    return r;
}

PRTreeDirNodePtr child(const PRTreeDirNodePtr& folder, const std::string& name) {
    for (const auto& c : folder->children())
        if (c->fileName() == name) return c;
    return nullptr;
}

std::vector<std::string> folderNames(const std::vector<PRTreeDirNodePtr>& folders) {
    std::vector<std::string> names;
    for (const auto& f : folders) names.push_back(f->fileName());
    return names;
}

std::vector<std::string> fileNames(const PRTreeDirNodePtr& folder) {
    std::vector<std::string> names;
    for (const auto& f : folder->fileChildren()) names.push_back(f->treefileName());
    return names;
}

const std::vector<PRTreeDirNode> kRecords = {
    record("HomeDomain", "Library/SMS/sms.db"),
    record("HomeDomain", "Library"),
    record("MediaDomain", "Media/a.jpg"),
    record("HomeDomain", "Library/SMS"),
    record("HomeDomain", "Library/Notes/notes.sqlite"),
    record("HomeDomain", "Library/Notes/b.txt"),
    record("AppDomain-x", "Documents/.cache/c"),
};

}  // namespace

TEST(BackupFileTree, RecordsAreFiledUnderTheirOwnFolderWhateverTheManifestOrder) {
    for (bool reversed : {false, true}) {
        SCOPED_TRACE(reversed ? "reversed" : "in order");
        std::vector<PRTreeDirNode> records = kRecords;
        if (reversed) std::reverse(records.begin(), records.end());
        PRBackupFileTree tree;
        for (const auto& r : records) EXPECT_TRUE(tree.addTreeNode(r, "Zoe's iPhone"));
        EXPECT_EQ(tree.backupfiles(), records.size());

        ASSERT_EQ(folderNames(tree.roots()), std::vector<std::string>{"Zoe's iPhone"});
        const auto device = tree.roots()[0];
        EXPECT_EQ(folderNames(device->children()),
                  (std::vector<std::string>{"AppDomain-x", "HomeDomain", "MediaDomain"}));
        const auto home = child(device, "HomeDomain");
        // A record that stands for a folder is a file row of the folder above it.
        EXPECT_EQ(fileNames(home), std::vector<std::string>{"Library"});
        const auto library = child(home, "Library");
        ASSERT_TRUE(library);
        EXPECT_EQ(folderNames(library->children()), (std::vector<std::string>{"Notes", "SMS"}));
        EXPECT_EQ(fileNames(library), std::vector<std::string>{"SMS"});
        EXPECT_FALSE(library->isLeaf());
        const auto notes = child(library, "Notes");
        EXPECT_TRUE(notes->isLeaf());
        auto names = fileNames(notes);
        std::sort(names.begin(), names.end());
        EXPECT_EQ(names, (std::vector<std::string>{"b.txt", "notes.sqlite"}));
        EXPECT_EQ(fileNames(child(library, "SMS")), std::vector<std::string>{"sms.db"});
        EXPECT_EQ(child(library, "SMS")->fileChildren()[0]->dirFilePath(), "HomeDomain/Library/SMS/sms.db");
        EXPECT_EQ(child(library, "SMS")->fileChildren()[0]->parent(), child(library, "SMS"));
        // "/." steps are plain "/": the dot of the name goes.
        const auto documents = child(child(device, "AppDomain-x"), "Documents");
        ASSERT_TRUE(documents);
        EXPECT_EQ(folderNames(documents->children()), std::vector<std::string>{"cache"});
    }
}

TEST(BackupFileTree, FileRowsCarryTheDataFileAndNothingIsPlacedWithoutADeviceName) {
    testsupport::TempHome home;
    const std::string key = home.path() + "/0123abcd";
    std::ofstream(key) << std::string(1500, 'x');
    PRBackupFileTree tree;
    EXPECT_FALSE(tree.addTreeNode(record("HomeDomain", "Library/a.plist", key), ""));
    EXPECT_TRUE(tree.roots().empty());
    EXPECT_EQ(tree.backupfiles(), 0u);
    // A file record without a path is a row of its domain, so that its recovery names it.
    ASSERT_TRUE(tree.addTreeNode(record("HomeDomain", "", key), "Phone"));
    const auto noPath = child(tree.roots()[0], "HomeDomain")->fileChildren();
    ASSERT_EQ(noPath.size(), 1u);
    EXPECT_EQ(noPath[0]->treefileName(), PRBackupFileTree::kNoPathName);
    EXPECT_TRUE(noPath[0]->dirFilePath().empty());
    EXPECT_EQ(tree.backupfiles(), 1u);

    ASSERT_TRUE(tree.addTreeNode(record("HomeDomain", "Library/a.plist", key), "Phone"));
    ASSERT_TRUE(tree.addTreeNode(record("HomeDomain", "Library/gone", home.path() + "/missing"), "Phone"));
    const auto rows = child(child(tree.roots()[0], "HomeDomain"), "Library")->fileChildren();
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0]->filePath(), key);
    EXPECT_EQ(rows[0]->realFileSize(), 1500u);
    EXPECT_EQ(rows[0]->fileSize(), "1.50KB");
    EXPECT_EQ(rows[0]->treefileType(), "plist");
    EXPECT_TRUE(rows[0]->isFile());
    EXPECT_FALSE(rows[1]->isFile());
    EXPECT_EQ(rows[1]->treefileType(), "gone");
}

TEST(BackupFileTree, MarksPropagateDownAndUpAndTheCountFollowsTheRows) {
    PRBackupFileTree tree;
    for (const auto& r : kRecords) tree.addTreeNode(r, "Phone");
    const auto device = tree.roots()[0];
    const auto home = child(device, "HomeDomain");
    const auto library = child(home, "Library");
    const auto notes = child(library, "Notes");
    const auto sms = child(library, "SMS");

    // Checking one of two sub-folders: the folders above are partly checked.
    PRBackupFileTree::toggleFolder(notes);
    EXPECT_EQ(notes->isSelected(), PRTreeSelected);
    EXPECT_EQ(notes->nodeIcon(), "selected");
    EXPECT_EQ(library->isSelected(), PRTreeSelectedSome);
    EXPECT_EQ(library->nodeIcon(), "selectedSome");
    EXPECT_EQ(home->isSelected(), PRTreeSelectedSome);
    EXPECT_EQ(device->isSelected(), PRTreeSelectedSome);
    EXPECT_EQ(tree.getTreeSelectedItemNum(), 2u);

    // A partly checked folder toggles to checked, with everything below it.
    PRBackupFileTree::toggleFolder(library);
    EXPECT_EQ(library->isSelected(), PRTreeSelected);
    EXPECT_EQ(sms->isSelected(), PRTreeSelected);
    EXPECT_TRUE(sms->fileChildren()[0]->bSelected());
    EXPECT_EQ(tree.getTreeSelectedItemNum(), 4u);
    // Home's own file row ("Library") is still unchecked.
    EXPECT_EQ(home->isSelected(), PRTreeSelectedSome);
    PRBackupFileTree::setFileState(home->fileChildren()[0], true);
    EXPECT_EQ(home->isSelected(), PRTreeSelected);
    EXPECT_EQ(device->isSelected(), PRTreeSelectedSome);  // the other domains are not

    // Unchecking one file row: its folder and every folder above it become partly checked.
    PRBackupFileTree::setFileState(sms->fileChildren()[0], false);
    EXPECT_EQ(sms->isSelected(), PRTreeUnselected);
    EXPECT_EQ(library->isSelected(), PRTreeSelectedSome);
    EXPECT_EQ(home->isSelected(), PRTreeSelectedSome);
    EXPECT_EQ(tree.getTreeSelectedItemNum(), 4u);

    // A checked folder toggles to unchecked, all the way down; the count is read from the rows.
    PRBackupFileTree::toggleFolder(device);
    EXPECT_EQ(device->isSelected(), PRTreeSelected);
    PRBackupFileTree::toggleFolder(device);
    EXPECT_EQ(device->isSelected(), PRTreeUnselected);
    EXPECT_EQ(notes->isSelected(), PRTreeUnselected);
    EXPECT_EQ(tree.getTreeSelectedItemNum(), 0u);

    // A row arriving in a checked folder makes it partly checked.
    PRBackupFileTree::toggleFolder(notes);
    tree.addTreeNode(record("HomeDomain", "Library/Notes/late.txt"), "Phone");
    EXPECT_EQ(notes->isSelected(), PRTreeSelectedSome);
    EXPECT_EQ(tree.getTreeSelectedItemNum(), 2u);

    // A record that names a folder is that folder, not a row counted among its parent's files.
    PRTreeDirNode folderRecord = record("MediaDomain", "Media/DCIM");
    folderRecord.setFileMode(0040755);
    EXPECT_TRUE(tree.addTreeNode(folderRecord, "Phone"));
    const auto media = child(child(device, "MediaDomain"), "Media");
    ASSERT_TRUE(media);
    EXPECT_TRUE(child(media, "DCIM"));
    EXPECT_EQ(fileNames(media), std::vector<std::string>{"a.jpg"});
    PRBackupFileTree::toggleFolder(media);
    EXPECT_EQ(tree.getTreeSelectedItemNum(), 3u);
}

TEST(BackupFileTree, TheOnlySubFolderDecidesAFolderWithoutFiles) {
    PRBackupFileTree tree;
    tree.addTreeNode(record("D", "a/b/c.txt"), "Phone");
    const auto a = child(child(tree.roots()[0], "D"), "a");
    PRBackupFileTree::toggleFolder(child(a, "b"));
    EXPECT_EQ(a->isSelected(), PRTreeSelected);
    EXPECT_EQ(tree.roots()[0]->isSelected(), PRTreeSelected);
}
