#include "backup/PRBackupScanState.h"

#include <gtest/gtest.h>
#include <random>

namespace {

PRTreeDirNodePtr keptNode(const std::string& path, const std::string& key) {
    auto node = std::make_shared<PRTreeDirNode>();
    node->setFilePath(path);
    node->setFileKey(key);
    return node;
}

PRContactNodePtr contact(const std::string& name, const std::string& phone, PRBytes image = nullptr) {
    auto c = std::make_shared<PRContactNode>();
    c->setContactName(name);
    c->setContactPhone(phone);
    c->setImageData(std::move(image));
    return c;
}

TEST(ScanState, FileKeyIndexAnswersAsALinearSearchFromTheEnd) {
    PRBackupScanState state;
    std::mt19937 random(7);
    for (int i = 0; i < 2000; ++i)
        state.addTreeFileNode(keptNode("path" + std::to_string(random() % 300), "key" + std::to_string(i)));
    const auto nodes = state.treeFileArray();
    for (int p = 0; p < 320; ++p) {
        const std::string path = "path" + std::to_string(p);
        PROptionalText linear;
        for (auto it = nodes.rbegin(); it != nodes.rend() && !linear; ++it)
            if ((*it)->filePath() == path) linear = (*it)->fileKey();
        ASSERT_EQ(state.getFileKeyBytheFilepath(path), linear) << path;
    }
    state.removeSomeArray();
    EXPECT_EQ(state.treeFileCount(), 0u);
    EXPECT_EQ(state.getFileKeyBytheFilepath("path1"), std::nullopt);
}

TEST(ScanState, KeptRecordsKeepTheirTextsHoweverManyAndLong) {
    // Enough records to fill several text blocks, a path longer than a block, and more
    // distinct domains than are shared.
    PRBackupScanState state;
    const std::string longPath(3 << 20, 'p');
    const auto domainOf = [](int i) { return i % 5 == 0 ? "AppDomain-" + std::to_string(i % 200) : "HomeDomain"; };
    const auto pathOf = [&](int i) { return i == 777 ? longPath : "Library/Caches/item" + std::to_string(i); };
    const auto keyOf = [](int i) { return "/backups/one/" + std::string(40, static_cast<char>('a' + i % 26)); };
    for (int i = 0; i < 30000; ++i) {
        auto node = keptNode(pathOf(i), keyOf(i));
        node->setFileDomain(domainOf(i));
        node->setFileName("not kept");
        state.addTreeFileNode(node);
    }
    state.addTreeFileNode(nullptr);
    ASSERT_EQ(state.treeFileCount(), 30000u);
    const auto nodes = state.treeFileArray();
    ASSERT_EQ(nodes.size(), 30000u);
    for (int i = 0; i < 30000; ++i) {
        ASSERT_EQ(nodes[i]->fileDomain(), domainOf(i)) << i;
        ASSERT_EQ(nodes[i]->filePath(), pathOf(i)) << i;
        ASSERT_EQ(nodes[i]->fileKey(), keyOf(i)) << i;
        ASSERT_EQ(nodes[i]->fileName(), "") << i;  // only the domain, path and key are kept
    }
    EXPECT_EQ(state.getFileKeyBytheFilepath(longPath), keyOf(777));
    EXPECT_EQ(state.getFileKeyBytheFilepath("Library/Caches/item29999"), keyOf(29999));
    state.addTreeFileNode(keptNode("Library/Caches/item5", "later"));  // after a look-up
    EXPECT_EQ(state.getFileKeyBytheFilepath("Library/Caches/item5"), "later");
    EXPECT_EQ(state.getFileKeyBytheFilepath(""), std::nullopt);
}

TEST(ScanState, NameLookUpsFollowTheContactRule) {
    PRBackupScanState state;
    const PRBytes photo = makeBytes({9, 9, 9});
    state.contactArray = {contact("No Phone", ""), contact("Ada", "(555) 010-2288", photo),
                          contact("Ada Again", "5550102288")};
    EXPECT_EQ(state.getNameByPhoneNumber("+1 555-010-2288"), "Ada");
    EXPECT_EQ(state.getNameByPhoneNumber("999"), std::nullopt);

    EXPECT_EQ(state.getNameByPhoneNumber("5550102288", nullptr), "Ada");
    EXPECT_EQ(state.messageContactData, photo);  // the matched contact's photo is handed over
    state.messageContactData.reset();
    // A piece of a number is no number.
    EXPECT_EQ(state.getNameByPhoneNumber("02"), std::nullopt);
    EXPECT_EQ(state.getNameByPhoneNumber("02", nullptr), std::nullopt);
    EXPECT_EQ(state.messageContactData, nullptr);  // no match leaves the field alone

    state.transContactArray = {contact("Transfer Ada", "555 010 2288")};
    EXPECT_EQ(state.getTransNameByPhoneNumber("5550102288", nullptr), "Transfer Ada");
    state.contactArray.clear();
    EXPECT_EQ(state.getNameByPhoneNumber("5550102288", nullptr), std::nullopt);
}

TEST(ScanState, SchemaChoiceByIOSVersion) {
    PRBackupScanState state;
    EXPECT_TRUE(state.IOSVersionIOS6("7.0.4"));
    EXPECT_TRUE(state.bIOS7DeviceNode);
    EXPECT_TRUE(state.IOSVersionIOS6("6.1"));
    EXPECT_FALSE(state.bIOS7DeviceNode);  // a backup of another version clears the flag
    EXPECT_TRUE(state.IOSVersionIOS6("7"));
    EXPECT_FALSE(state.IOSVersionIOS6("5.1.1"));
    EXPECT_FALSE(state.bIOS7DeviceNode);
    EXPECT_TRUE(state.IOSVersionIOS6("8.0"));  // later versions keep the newer schemas
    EXPECT_TRUE(state.IOSVersionIOS6("10.3.1"));
    EXPECT_FALSE(state.IOSVersionIOS6(""));
    EXPECT_FALSE(state.IOSVersionIOS6("x.1"));
    EXPECT_FALSE(state.IOSVersionIOS6(".6"));
}

}  // namespace
