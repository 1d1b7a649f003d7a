// The category tables and the tree controller as item models: filters, search, sorting by
// bytes and by values that changed after the records were shown, marks of one row, of selected
// rows and of all rows, and folder checks.
#include "browser/PRResultTableModels.h"
#include "browser/PRTreeController.h"
#include "browser/core/PRBackupFileTree.h"
#include "browser/core/PRScanIntake.h"
#include "model/PRRecordFields.h"

#include <gtest/gtest.h>

namespace {

PRContactNodePtr contact(const std::string& name, const std::string& phone, bool deleted = false) {
    auto c = std::make_shared<PRContactNode>();
    c->setContactName(name);
    c->setContactPhone(phone);
    c->setBDeleted(deleted);
    return c;
}

QStringList column(const QAbstractItemModel& model, int column) {
    QStringList out;
    for (int row = 0; row < model.rowCount(); ++row) out << model.index(row, column).data().toString();
    return out;
}

}  // namespace

TEST(ResultTableModels, DeletedOnlySearchAndSortWorkTogether) {
    PRContactController contacts;
    contacts.setRecords({contact("bob", "555 0100"), contact("Ann", "555 0199", true), contact("carl", "0100", true),
                         contact("Dora", "777")});
    EXPECT_EQ(contacts.rowCount(), 4);
    contacts.sort(PRContactController::Name, Qt::AscendingOrder);
    EXPECT_EQ(column(contacts, PRContactController::Name), (QStringList{"Ann", "bob", "carl", "Dora"}));
    contacts.sort(PRContactController::Name, Qt::DescendingOrder);
    EXPECT_EQ(column(contacts, PRContactController::Name), (QStringList{"Dora", "carl", "bob", "Ann"}));

    contacts.setDeletedOnly(true);
    EXPECT_EQ(column(contacts, PRContactController::Name), (QStringList{"carl", "Ann"}));
    EXPECT_EQ(contacts.index(0, 1).data(Qt::ForegroundRole).value<QColor>(), PRRecordTableModel::deletedColor());
    contacts.setSearchText("0100");
    EXPECT_EQ(column(contacts, PRContactController::Name), (QStringList{"carl"}));
    contacts.setDeletedOnly(false);
    EXPECT_EQ(column(contacts, PRContactController::Name), (QStringList{"carl", "bob"}));
    EXPECT_FALSE(contacts.index(1, 1).data(Qt::ForegroundRole).isValid());
    contacts.setSearchText("ANN");
    EXPECT_EQ(column(contacts, PRContactController::Name), (QStringList{"Ann"}));
    // The check column never sorts.
    contacts.setSearchText("");
    contacts.sort(PRContactController::Check, Qt::AscendingOrder);
    EXPECT_EQ(column(contacts, PRContactController::Name), (QStringList{"Dora", "carl", "bob", "Ann"}));
}

TEST(ResultTableModels, SizesSortByBytes) {
    PRPhotoAndVideoController photos;
    std::vector<PRPhotoAndVideoNodePtr> records;
    for (auto [name, size] :
         std::vector<std::pair<std::string, uint64_t>>{{"a", 1000}, {"b", 999}, {"c", 3000000}, {"d", 12500}}) {
        auto p = std::make_shared<PRPhotoAndVideoNode>();
        p->setFileNodeName(name);
        p->setFileNodeSize(sizeText(size));
        records.push_back(p);
    }
    photos.setRecords(records);
    photos.sort(PRPhotoAndVideoController::Size, Qt::AscendingOrder);
    EXPECT_EQ(column(photos, PRPhotoAndVideoController::Name), (QStringList{"b", "a", "d", "c"}));
    EXPECT_EQ(photos.index(0, PRPhotoAndVideoController::Size).data(Qt::UserRole).toULongLong(), 999u);
}

TEST(ResultTableModels, DatesSortByYearFirst) {
    PRCallHistoryController calls;
    std::vector<PRCallHistoryNodePtr> records;
    for (const char* date : {"03-10-2013 06:55", "12-31-2012 23:59", "01-02-2014 00:00", "03-10-2013 06:54"}) {
        auto c = std::make_shared<PRCallHistoryNode>();
        c->setCallDate(date);
        records.push_back(c);
    }
    calls.setRecords(records);
    calls.sort(PRCallHistoryController::Date, Qt::AscendingOrder);
    EXPECT_EQ(column(calls, PRCallHistoryController::Date),
              (QStringList{"12-31-2012 23:59", "03-10-2013 06:54", "03-10-2013 06:55", "01-02-2014 00:00"}));
}

TEST(ResultTableModels, ConversationsSortByTheCountsTheyShowOnceTheirDeletedMessagesArrive) {
    PRScanIntake intake;
    int sent = 0;
    auto message = [&sent](const std::string& phone) {
        auto m = std::make_shared<PRMessageNode>();
        m->setMessagePhone(phone);
        m->setMessageContent("text " + std::to_string(++sent));
        m->setMessageDate("03-01-2013 10:" + std::to_string(10 + sent % 50));
        return m;
    };
    for (const char* phone : {"555 0101", "555 0101", "555 0101", "555 0102", "555 0102", "555 0103"})
        intake.ScanMessageInfomationHandle(message(phone));
    for (const char* phone : {"555 0104", "555 0103"}) intake.merge.ScanDelMessageInfomationHandle(message(phone));
    PRMessageTreeController conversations;
    conversations.setRecords(intake.messageTreeArray());
    conversations.sort(PRMessageTreeController::Messages, Qt::DescendingOrder);
    EXPECT_EQ(column(conversations, PRMessageTreeController::Messages), (QStringList{"3", "2", "1", "1", "1"}));

    // More of the deleted messages of 555 0104 arrive: its conversation grows past the others.
    for (int i = 0; i < 4; ++i) intake.merge.ScanDelMessageInfomationHandle(message("555 0104"));
    ASSERT_EQ(intake.messageTreeArray().size(), 5u);
    conversations.sort(PRMessageTreeController::Messages, Qt::AscendingOrder);
    EXPECT_EQ(column(conversations, PRMessageTreeController::Messages), (QStringList{"1", "1", "2", "3", "5"}));
    conversations.sort(PRMessageTreeController::Messages, Qt::DescendingOrder);
    EXPECT_EQ(column(conversations, PRMessageTreeController::Messages), (QStringList{"5", "3", "2", "1", "1"}));
    // A search keeps the order of the counts shown, as does the deleted-only filter.
    conversations.setSearchText("555 010");
    EXPECT_EQ(column(conversations, PRMessageTreeController::Messages), (QStringList{"5", "3", "2", "1", "1"}));
    intake.merge.ScanDelMessageInfomationHandle(message("555 0103"));
    intake.merge.ScanDelMessageInfomationHandle(message("555 0103"));
    conversations.setDeletedOnly(true);
    EXPECT_EQ(column(conversations, PRMessageTreeController::Messages), (QStringList{"5", "3"}));
}

TEST(ResultTableModels, MarksOfRowsSelectedRowsAndAllRowsAreCountedFromTheRecords) {
    PRContactController contacts;
    contacts.setRecords({contact("a", "1"), contact("b", "2"), contact("c", "3", true), contact("d", "4")});
    int changes = 0;
    contacts.marksChanged = [&] { ++changes; };
    // One edited check box of three selected rows marks the three.
    contacts.rowsToMark = [](int) { return std::vector<int>{0, 1, 3}; };
    EXPECT_TRUE(contacts.setData(contacts.index(1, PRRecordTableModel::kCheckColumn), Qt::Checked, Qt::CheckStateRole));
    EXPECT_EQ(contacts.markedCount(), 3u);
    EXPECT_EQ(changes, 1);
    // Marking again what is marked changes no count.
    contacts.markRows({0, 1}, true);
    EXPECT_EQ(contacts.markedCount(), 3u);
    // Select-all on the deleted-only view marks the deleted rows alone; unmarking all of the
    // full view brings the count back to 0.
    contacts.setDeletedOnly(true);
    contacts.markAll(true);
    EXPECT_EQ(contacts.markedCount(), 4u);
    contacts.setDeletedOnly(false);
    contacts.markAll(false);
    EXPECT_EQ(contacts.markedCount(), 0u);
    EXPECT_EQ(contacts.index(0, 0).data(Qt::CheckStateRole).toInt(), Qt::Unchecked);
}

TEST(ResultTableModels, TreeChecksPropagateAndTheFileTableFollows) {
    PRBackupFileTree tree;
    for (const char* path : {"Library/SMS/sms.db", "Library/SMS/b.db", "Library/Notes/n.db"}) {
        PRTreeDirNode record;
        record.setFileDomain("HomeDomain");
        record.setFilePath(path);
        tree.addTreeNode(record, "Phone");
    }
    PRTreeController model;
    model.setRoots(tree.roots());
    int changes = 0;
    model.marksChanged = [&] { ++changes; };
    const QModelIndex device = model.index(0, 0);
    const QModelIndex library = model.index(0, 0, model.index(0, 0, device));
    ASSERT_EQ(library.data().toString(), "Library");
    EXPECT_EQ(model.parent(library).data().toString(), "HomeDomain");
    const QModelIndex sms = model.index(1, 0, library);
    ASSERT_EQ(sms.data().toString(), "SMS");

    model.setData(sms, Qt::Checked, Qt::CheckStateRole);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(sms.data(Qt::CheckStateRole).toInt(), Qt::Checked);
    EXPECT_EQ(library.data(Qt::CheckStateRole).toInt(), Qt::PartiallyChecked);
    EXPECT_EQ(device.data(Qt::CheckStateRole).toInt(), Qt::PartiallyChecked);
    EXPECT_EQ(tree.getTreeSelectedItemNum(), 2u);

    // The file table of SMS unmarks one row: the folders above follow.
    PRTreeFileController files;
    files.setRecords(model.folderAt(sms)->fileChildren());
    files.markRows({0}, false);
    EXPECT_EQ(sms.data(Qt::CheckStateRole).toInt(), Qt::PartiallyChecked);
    files.markRows({0}, true);
    EXPECT_EQ(sms.data(Qt::CheckStateRole).toInt(), Qt::Checked);
    // A partly checked folder is checked by a click, with everything below.
    model.setData(device, Qt::Checked, Qt::CheckStateRole);
    EXPECT_EQ(tree.getTreeSelectedItemNum(), 3u);
    model.setData(device, Qt::Unchecked, Qt::CheckStateRole);
    EXPECT_EQ(tree.getTreeSelectedItemNum(), 0u);
}
