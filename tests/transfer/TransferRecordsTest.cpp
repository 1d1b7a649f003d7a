// The transfer page's record intake and exports without a window: conversation grouping, the
// sender filter, records arriving from two threads, hostile names and escaped message texts.
#include "TestSupport.h"
#include "backup/BackupNotices.h"
#include "transfer/core/RecordExport.h"
#include "transfer/core/TransferRecordIntake.h"

#include <QStringDecoder>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace fs = std::filesystem;
using transfer::RecordExport;
using transfer::RecordKind;
using transfer::TransferRecordIntake;

namespace {

PRMessageNodePtr message(const std::string& phone, const std::string& name = {}, const std::string& text = "hi") {
    auto m = std::make_shared<PRMessageNode>();
    m->setMessagePhone(phone);
    m->setMessageName(name);
    m->setMessageContent(text);
    m->setMessageType("Received");
    return m;
}

std::vector<std::string> addresses(const TransferRecordIntake& intake) {
    std::vector<std::string> out;
    for (const auto& c : intake.messageTreeArray()) out.push_back(c->messageTreeNodeAdress());
    return out;
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

class RecordExportTest : public testsupport::HomeTest {};

}  // namespace

TEST(TransferRecordIntakeTest, ConversationsJoinTheSameNumberHoweverWritten) {
    NSNotificationCenter nc;
    TransferRecordIntake prefixedFirst(nc);
    prefixedFirst.ScanTransferMessageInfoHandle(message("+4915551234"));
    prefixedFirst.ScanTransferMessageInfoHandle(message("015551234"));  // the national form
    prefixedFirst.ScanTransferMessageInfoHandle(message("15551234"));
    prefixedFirst.ScanTransferMessageInfoHandle(message("551234"));  // a short code: its own
    EXPECT_EQ(addresses(prefixedFirst), (std::vector<std::string>{"+4915551234", "551234"}));
    EXPECT_EQ(prefixedFirst.messageTreeArray()[0]->MessageNodeArray().size(), 3u);

    TransferRecordIntake shortFirst(nc);
    shortFirst.ScanTransferMessageInfoHandle(message("15551234", "Ann"));
    shortFirst.ScanTransferMessageInfoHandle(message("+4915551234"));
    shortFirst.ScanTransferMessageInfoHandle(message("1555-1234"));  // written differently: the same
    shortFirst.ScanTransferMessageInfoHandle(message(""));
    shortFirst.ScanTransferMessageInfoHandle(message(""));
    shortFirst.ScanTransferMessageInfoHandle(message("Ann@Example.com"));
    shortFirst.ScanTransferMessageInfoHandle(message("ann@example.com"));
    EXPECT_EQ(addresses(shortFirst), (std::vector<std::string>{"15551234", "", "Ann@Example.com"}));
    EXPECT_EQ(shortFirst.messageTreeArray()[0]->messageTreeNodeName(), "Ann");
    EXPECT_EQ(shortFirst.messageTreeArray()[0]->MessageNodeArray().size(), 3u);
    EXPECT_EQ(shortFirst.messageTreeArray()[2]->MessageNodeArray().size(), 2u);
    EXPECT_EQ(shortFirst.messageArray().size(), 7u);
}

TEST(TransferRecordIntakeTest, TakesOnlyItsOwnRunsFromTwoThreadsAtOnce) {
    NSNotificationCenter nc;
    TransferRecordIntake page(nc), copy(nc);
    std::atomic<int> pageEnds{0};
    page.onFinished = [&](RecordKind kind) { pageEnds += kind == RecordKind::Messages; };
    constexpr int kEach = 2000;
    auto run = [&nc](const void* sender, const std::string& phone) {
        for (int i = 0; i < kEach; ++i) {
            notices::ScanTransferMessageInfo.post(nc, message(phone + std::to_string(i % 7)), sender);
            notices::ScanTransferNoteInfo.post(nc, std::make_shared<PRNoteNode>(), sender);
        }
        notices::ScanTransferMessageFinished.post(nc, sender);
    };
    std::thread a(run, page.token(), "111"), b(run, copy.token(), "222"), c(run, nullptr, "333");
    // The main thread reads while the workers write.
    for (int i = 0; i < 200; ++i) (void)page.messageTreeArray();
    a.join();
    b.join();
    c.join();
    EXPECT_EQ(page.messageArray().size(), size_t(kEach));
    EXPECT_EQ(page.noteArray().size(), size_t(kEach));
    EXPECT_EQ(copy.messageArray().size(), size_t(kEach));
    EXPECT_EQ(pageEnds.load(), 1);
    for (const auto& conversation : page.messageTreeArray())
        EXPECT_EQ(conversation->messageTreeNodeAdress().rfind("111", 0), 0u);
    EXPECT_EQ(page.messageTreeArray().size(), 7u);
}

TEST_F(RecordExportTest, HostileNamesStayInsideTheFolder) {
    const std::string folder = testsupport::scratchDirectory("export") + "/Contact";
    std::vector<PRContactNodePtr> contacts;
    for (const char* name : {"../../escape", "a/b", "..", ""}) {
        auto c = std::make_shared<PRContactNode>();
        c->setContactName(name);
        c->setRowid(12);
        contacts.push_back(c);
    }
    const auto result = RecordExport::exportContacts(contacts, folder);
    EXPECT_TRUE(result.ok()) << result.firstReason;
    EXPECT_EQ(result.written, 4);
    for (const std::string& file : result.files) EXPECT_EQ(fs::path(file).parent_path(), fs::path(folder)) << file;
    EXPECT_TRUE(fs::exists(folder + "/unknown 12.vcf"));
    EXPECT_FALSE(fs::exists(fs::path(folder).parent_path().parent_path() / "escape.vcf"));
}

TEST_F(RecordExportTest, ConversationPagesEscapeTextsAndKeepAnEarlierPage) {
    const std::string folder = testsupport::scratchDirectory("export") + "/Message";
    PRMessageTreeNode conversation;
    conversation.setMessageTreeNodeName("x");  // too short: the address names the page
    conversation.setMessageTreeNodeAdress("../+49 <555>");
    conversation.MessageNodeArray().push_back(message("+49 <555>", "x", "<script>alert(1)</script> & more"));
    const auto first = RecordExport::exportConversation(conversation, "Phone", folder);
    ASSERT_EQ(first.files.size(), 1u);
    EXPECT_EQ(fs::path(first.files[0]).parent_path(), fs::path(folder));
    const QByteArray bytes = QByteArray::fromStdString(readAll(first.files[0]));
    QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
    const QString page = decoder(bytes);
    EXPECT_FALSE(page.contains("<script>"));
    EXPECT_TRUE(page.contains("&lt;script&gt;alert(1)&lt;/script&gt; &amp; more"));

    const auto second = RecordExport::exportConversation(conversation, "Phone", folder);
    ASSERT_EQ(second.files.size(), 1u);
    EXPECT_NE(second.files[0], first.files[0]);
    EXPECT_TRUE(fs::exists(first.files[0]));
    EXPECT_TRUE(fs::exists(second.files[0]));
}
