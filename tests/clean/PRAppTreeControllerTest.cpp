#include "clean/PRAppTreeController.h"
#include "clean/core/PRPhoneSystemDirNode.h"

#include <QAbstractItemModelTester>
#include <QLocale>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <set>

namespace {

PRCleanDirNodePtr record(const QString& app, const QString& path, uint64_t size = 10) {
    auto r = PRCleanDirNode::create();
    r->appDisplayName = app;
    r->appBundleName = "com.example." + app.toLower();
    r->filePath = path;
    r->fileSizeNumber = size;
    r->fileSize = QString::number(size) + "B";
    r->fileType = "FILE";
    return r;
}

QStringList names(const std::vector<PRCleanDirNodePtr>& level) {
    QStringList out;
    for (const auto& f : level) out << f->fileDirName;
    return out;
}

QStringList fileNames(const PRCleanDirNodePtr& folder) {
    QStringList out;
    for (const auto& f : folder->fileChildren()) out << f->fileName;
    return out;
}

class TreeTest : public ::testing::Test {
protected:
    PRAppTreeController tree;
    QAbstractItemModelTester tester{&tree, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(TreeTest, FilesOfOneFolderShareTheChainAndReloadOnceWhenTheLastFolderIsMade) {
    int refreshes = 0;
    tree.setRefreshOutlineHandler([&] { ++refreshes; });
    tree.addTreeNode(record("Mail", "/Library/Caches/a.db", 1500), true);
    tree.addTreeNode(record("Mail", "/Library/Caches/b.db"), true);

    ASSERT_EQ(names(tree.cleanContent()), QStringList{"Mail"});
    auto mail = tree.cleanContent()[0];
    ASSERT_EQ(names(mail->children()), QStringList{"Library"});
    auto caches = mail->children()[0]->children().at(0);
    EXPECT_EQ(caches->fileDirName, "Caches");
    EXPECT_EQ(fileNames(caches), (QStringList{"a.db", "b.db"}));
    EXPECT_EQ(refreshes, 1);
    EXPECT_FALSE(mail->isLeaf);
    EXPECT_FALSE(mail->children()[0]->isLeaf);
    EXPECT_TRUE(caches->isLeaf);

    const auto& a = caches->fileChildren()[0];
    EXPECT_EQ(a->filePath, "/Library/Caches/a.db");
    EXPECT_EQ(a->fileType, "db");
    EXPECT_EQ(a->fileSize, "1500B");
    EXPECT_EQ(a->fileSizeNumber, 1500u);
    EXPECT_EQ(a->appBundleName, "com.example.mail");
    EXPECT_EQ(a->parent.lock(), caches);
    EXPECT_EQ(caches->parent.lock()->parent.lock(), mail);
    EXPECT_EQ(mail->appBundleName, "com.example.mail");
}

TEST_F(TreeTest, TheLastComponentAlwaysBecomesAFileEntry) {
    tree.addTreeNode(record("Mail", "/Library/Caches"), true);
    auto mail = tree.cleanContent().at(0);
    auto library = mail->children().at(0);
    EXPECT_TRUE(library->isLeaf);
    EXPECT_EQ(fileNames(library), QStringList{"Caches"});
    EXPECT_EQ(library->fileChildren()[0]->fileType, "Caches");

    tree.addTreeNode(record("Notes", "/tmp"), true);
    auto notes = tree.cleanContent().at(1);
    EXPECT_EQ(notes->fileDirName, "Notes");
    EXPECT_TRUE(notes->isLeaf);
    EXPECT_EQ(fileNames(notes), QStringList{"tmp"});

    // A file at the top of its container lands in the app's folder, made once.
    tree.addTreeNode(record("Notes", "/x.plist"), true);
    EXPECT_EQ(tree.cleanContent().size(), 2u);
    EXPECT_EQ(fileNames(notes), (QStringList{"tmp", "x.plist"}));
}

TEST_F(TreeTest, SiblingsFollowTheLocaleOrderAndEqualNamesAreReused) {
    for (const char* app : {"Zeta", "alpha", "Beta", "Éclair", "beta2"}) tree.addTreeNode(record(app, "/tmp/f"), true);
    EXPECT_EQ(names(tree.cleanContent()), (QStringList{"alpha", "Beta", "beta2", "Éclair", "Zeta"}));
    tree.addTreeNode(record("Beta", "/tmp/g"), true);
    EXPECT_EQ(tree.cleanContent().size(), 5u);
    EXPECT_EQ(fileNames(tree.cleanContent()[1]->children().at(0)), (QStringList{"f", "g"}));
}

TEST_F(TreeTest, HiddenComponentsLoseTheirDot) {
    tree.addTreeNode(record("Mail", "/Library/.hidden/x"), true);
    tree.addTreeNode(record("Mail", "/..cache/y"), true);  // "/." folds to "/", then the first folder drops its dot
    auto mail = tree.cleanContent().at(0);
    EXPECT_EQ(names(mail->children()), (QStringList{"cache", "Library"}));
    EXPECT_EQ(names(mail->children()[1]->children()), QStringList{"hidden"});
    EXPECT_EQ(fileNames(mail->children()[0]), QStringList{"y"});
}

TEST_F(TreeTest, EmptyOrSlashlessPathsAddNothing) {
    tree.addTreeNode(record("", ""), true);
    tree.addTreeNode(record("", "noslash"), true);
    EXPECT_TRUE(tree.cleanContent().empty());
    EXPECT_EQ(tree.reloadCount(), 0);
}

TEST_F(TreeTest, ModelIndexesFollowTheNodes) {
    tree.addTreeNode(record("Mail", "/Library/Caches/a.db"), true);
    tree.addTreeNode(record("Alpha", "/tmp/a"), true);
    ASSERT_EQ(tree.rowCount(), 2);
    const QModelIndex mail = tree.index(1, 0);
    EXPECT_EQ(tree.data(mail, Qt::DisplayRole).toString(), "Mail");
    const QModelIndex library = tree.index(0, 0, mail);
    EXPECT_EQ(tree.parent(library), mail);
    EXPECT_EQ(tree.cleanNodeForIndex(library)->fileDirName, "Library");
    tree.removeAllContent();
    EXPECT_EQ(tree.rowCount(), 0);
    EXPECT_TRUE(tree.fileDirArray.empty());
}

// Many records in random order and random apps end up exactly where their paths say, with
// every level sorted, however the lookups were shortened.
TEST_F(TreeTest, RandomStreamsBuildTheSameTreeAsTheirPaths) {
    std::mt19937 rng(7);
    const QStringList apps{"Mail", "Maps", "Notes", "Books"};
    const QStringList parts{"a", "B", "c", "Data", "e"};
    std::map<QString, std::multiset<QString>> expected;  // folder tree path -> file names
    for (int i = 0; i < 3000; ++i) {
        const QString app = apps[rng() % apps.size()];
        QString path = "/Library/Caches";
        const int depth = int(rng() % 3);
        for (int d = 0; d < depth; ++d) path += "/" + parts[rng() % parts.size()];
        const QString name = QString("f%1").arg(rng() % 50);
        tree.addTreeNode(record(app, path + "/" + name), true);
        expected[app + path].insert(name);
    }
    std::map<QString, std::multiset<QString>> actual;
    std::function<void(const PRCleanDirNodePtr&, const QString&)> visit = [&](const PRCleanDirNodePtr& f,
                                                                              const QString& prefix) {
        const QString here = prefix.isEmpty() ? f->fileDirName : prefix + "/" + f->fileDirName;
        for (const auto& file : f->fileChildren()) actual[here].insert(file->fileName);
        QCollator collator{QLocale(QLocale::English, QLocale::UnitedStates)};
        for (size_t i = 1; i < f->children().size(); ++i)
            EXPECT_LT(collator.compare(f->children()[i - 1]->fileDirName, f->children()[i]->fileDirName), 0);
        for (const auto& c : f->children()) visit(c, here);
    };
    for (const auto& top : tree.cleanContent()) visit(top, {});
    EXPECT_EQ(actual, expected);
}

TEST_F(TreeTest, AppSetCarriesDisplayNamesAndPaths) {
    auto r = PRAppDirTreeNode::create();
    r->appDisplayName = "Mail";
    r->appBundleName = "com.example.mail";
    r->filePath = "/Documents/a.txt";
    r->fileSize = "3B";
    PRAppTreeController apps;
    apps.addTreeNode(r);
    auto mail = apps.appContent().at(0);
    EXPECT_EQ(mail->appDisplayName, "Mail");
    EXPECT_EQ(mail->filePath, "/Documents/a.txt");
    auto docs = mail->children().at(0);
    ASSERT_EQ(docs->fileChildren().size(), 1u);
    EXPECT_EQ(docs->fileChildren()[0]->appDisplayName, "Mail");
    EXPECT_EQ(docs->fileChildren()[0]->fileType, "txt");
}

TEST(StringHelpers, SubstringsAroundTheFirstOccurrence) {
    EXPECT_EQ(PRAppTreeController::SubstringToCh("a/b/c", '/'), "a");
    EXPECT_EQ(PRAppTreeController::SubstringFromCh("a/b/c", '/'), "b/c");
    EXPECT_TRUE(PRAppTreeController::SubstringToCh("abc", '/').isNull());
    EXPECT_TRUE(PRAppTreeController::SubstringFromCh("abc/", '/').isNull());
    EXPECT_EQ(PRAppTreeController::SubstringToCh("/x", '/'), "");
    EXPECT_FALSE(PRAppTreeController::SubstringToCh("/x", '/').isNull());
}

TEST(Nodes, FreshNodesStartEmpty) {
    PRPhoneSystemDirNode dir;
    EXPECT_TRUE(dir.children().empty());
    EXPECT_TRUE(dir.fileChildren().empty());
    EXPECT_FALSE(dir.isFile);
    EXPECT_FALSE(dir.isLeaf);
    PRPhoneSystemFileNode file;
    EXPECT_TRUE(file.filePath.isEmpty());
    EXPECT_FALSE(file.btransfer);
    EXPECT_EQ(file.fileSizeNumber, 0u);
    // Trees free themselves: parents are held weakly.
    std::weak_ptr<PRCleanDirNode> child;
    {
        auto top = PRCleanDirNode::create();
        auto sub = PRCleanDirNode::create();
        sub->parent = top;
        top->setChildren({sub});
        child = sub;
    }
    EXPECT_TRUE(child.expired());
}

}  // namespace
